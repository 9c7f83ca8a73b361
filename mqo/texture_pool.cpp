// MqoModel: the texture pool.
#include "mqo/internal.h"
