#include "app/UVersion.h"
