// The generated form of the main window, for code outside this library
// (tests). Including ui_mainwindow.h directly would make each target's uic
// look for the .ui file itself.
#pragma once

#include "ui_mainwindow.h"
