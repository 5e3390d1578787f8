#include "securityeditors.h"

void RegisterSecurityEditors()
{
    // No window of this library is built yet: nothing to register.
}
