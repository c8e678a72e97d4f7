// The pieces of the program entry that come from other modules: the engine classes, the
// settings dialog and the streaming control. Each is wired here so main.cpp stays a sequence.
#pragma once

#include <QObject>
#include <memory>

namespace vexto {

class Tform_main;

// Registers the built-in engine classes with the engine factory (when the engine libraries are
// part of this build).
void RegisterEngineClassesForApp();

// Creates the settings dialog, hidden, after the main window (its creation reads the main
// window's settings fields), and hooks "Gerais", "Configurar" and the streaming button to it.
std::unique_ptr<QObject> CreateSettingsDialog(Tform_main& form);

}  // namespace vexto
