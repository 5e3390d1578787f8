#pragma once

// Registers the editors of this library with the object dispatch (core/qvobjeditors.h), so
// that every connection window opens them and writes their scripts: the sequence (58). The
// program calls it once at start-up.
void RegisterObjectKindEditors();
