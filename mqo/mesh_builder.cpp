// MqoModel: the mesh builder: normals and material batches.
#include "mqo/internal.h"
