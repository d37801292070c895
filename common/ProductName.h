#pragma once

// The caption of every message box of both programs and of the builder's
// main window.
constexpr char kProductCaption[] = "Velumo Installer";

// The setup stub and the skin engine as they lie in the builder folder and,
// the engine, in a setup's archive.
constexpr char kStubFileName[] = "Runlet.exe";
constexpr char kSkinEngineFileName[] = "VelumoDll.dll";
