// Marks a text of the interface for translation without bringing Qt into the
// layers that must stay free of it. The mark leaves the text as it is (the
// Japanese the program shows); lupdate collects it under its context, as it
// collects QT_TRANSLATE_NOOP (the build declares the name to lupdate), and the
// Qt front end translates it where it is shown:
//     QCoreApplication::translate(context, text)
// Contexts name where a text is shown: "Commands" (menus and tool-bar tips),
// "Edits" (the steps the undo and redo items name), "Panel", "FileChooser",
// "Messages" (everything shown through a message box or the progress dialog).
#pragma once

#define KIVO_TR_NOOP(context, text) text
