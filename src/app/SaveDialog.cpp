#include "app/SaveDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

void PngSaveDialog::ask(QWidget* parent, const QString& proposedName, const QString& startFolder,
                        Answer answer)
{
    auto* dialog = new QFileDialog(parent, QStringLiteral("PNG で保存"),
                                   QDir(startFolder).filePath(proposedName),
                                   QStringLiteral("PNG 画像 (*.png)"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(QStringLiteral("png"));
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog->setWindowModality(Qt::WindowModal);
    // The dialog lives until it has answered; if its window closes first it
    // goes with it, unanswered.
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, answer](int result) {
        const QStringList files = dialog->selectedFiles();
        dialog->deleteLater();
        if (result == QDialog::Accepted && !files.isEmpty() && !files.first().isEmpty())
            answer(files.first());
        else
            answer(std::nullopt);
    });
    dialog->open();
}

QString exportStartFolder(const QString& lastFolder, const QString& picturesFolder,
                          const QString& homeFolder)
{
    for (const QString& folder : {lastFolder, picturesFolder}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return homeFolder;
}

namespace {
QString& lastExportFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString exportStartFolder()
{
    return exportStartFolder(lastExportFolder(),
                             QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
                             QDir::homePath());
}

void rememberExportFolder(const QString& savedFilePath)
{
    lastExportFolder() = QFileInfo(savedFilePath).absolutePath();
}
