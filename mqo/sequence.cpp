// MqoModel: model sequences.
#include "mqo/internal.h"
