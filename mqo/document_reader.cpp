// MqoModel: the MQO document reader.
#include "mqo/internal.h"
