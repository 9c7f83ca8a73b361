// MqoModel: model drawing.
#include "mqo/internal.h"
