// The precompiled header of the test programs and of the demo programs built on the test
// server's access: the window libraries' headers and GoogleTest. Nothing of QtTest goes here:
// QtTest's headers read the test program's own folders (QT_TESTCASE_BUILDDIR), which differ from
// program to program, and a shared precompiled header may only see macros that every user
// defines alike.
#pragma once

#include "pch/widgetspch.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
