// MqoModel: library state, model arrays and the extension test.
#include "mqo/internal.h"
