#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

// Asks the user where to save a file. The answer comes later, once the
// person has decided, so the window goes on living meanwhile; tests answer
// it themselves.
class SaveDialog {
public:
    // The chosen path, or nothing when the user cancels.
    using Answer = std::function<void(const std::optional<QString>& path)>;

    virtual ~SaveDialog() = default;

    // Proposes `proposedName` in `startFolder` and calls `answer` exactly once
    // when the dialog closes (not at all if `parent` goes away first).
    virtual void ask(QWidget* parent, const QString& proposedName, const QString& startFolder,
                     Answer answer) = 0;
};

// The platform's save dialog for PNG files, modal to its window. It appends
// ".png" to a name typed without an extension and asks before replacing an
// existing file.
class PngSaveDialog : public SaveDialog {
public:
    void ask(QWidget* parent, const QString& proposedName, const QString& startFolder,
             Answer answer) override;
};

// Where the save dialog starts: the folder last saved to, while it still
// exists, otherwise the Pictures folder if there is one, otherwise home.
QString exportStartFolder(const QString& lastFolder, const QString& picturesFolder,
                          const QString& homeFolder);

// The same for this run of the program: the folder of the last successful
// save, the user's Pictures folder, or home.
QString exportStartFolder();
// Records the folder of a file just saved, for the next save in this run.
void rememberExportFolder(const QString& savedFilePath);
