// The help command: our own HTML manual in a help window, and the about box.
#pragma once

#include <memory>
#include <string>
#include <vector>

class QDialog;
class QWidget;

namespace kivo {

// Where the manual is looked for, in order: beside the program (a build or a
// portable copy), then where an installation puts it; the interface's language
// first (kivo_en.html for English), then the Japanese kivo.html.
std::vector<std::string> ManualCandidates();

// Opens the manual (one window, raised when already open) and returns it;
// without a manual, says so and returns nullptr.
QWidget* ShowHelp(QWidget* owner);

// "Kivo について": what the program is, its version.
std::unique_ptr<QDialog> MakeAboutBox(QWidget* owner);
void ShowAbout(QWidget* owner);

}  // namespace kivo
