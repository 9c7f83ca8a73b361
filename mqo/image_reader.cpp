// MqoModel: the BMP/TGA image reader.
#include "mqo/internal.h"
