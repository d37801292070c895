#pragma once

// The caption of every message box of both programs and of the builder's
// main window.
constexpr char kProductCaption[] = "Velumo Installer";
