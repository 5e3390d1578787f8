#pragma once

// Registers the editors of this library (schemas, roles, users, tablespaces) with the object
// dispatch (core/qvobjeditors.h). The program calls it once at start-up; a kind is registered
// here once its window exists, so the commands for the others stay disabled until then.
void RegisterSecurityEditors();
