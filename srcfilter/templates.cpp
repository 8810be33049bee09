// The module's table of creatable classes.
#include "classfactory.h"

CFactoryTemplate g_Templates[1] = {{nullptr, nullptr, nullptr, nullptr, nullptr}};
int g_cTemplates = 0;
