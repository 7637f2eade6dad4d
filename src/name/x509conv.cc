#include "name/x509conv.h"

// No conversion table is configurable yet: nothing to read.
int conv_read_ini() { return 0; }
