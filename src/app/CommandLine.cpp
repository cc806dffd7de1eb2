#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>

namespace {
const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
const QCommandLineOption versionOption(QStringList{QStringLiteral("v"), QStringLiteral("version")});
constexpr int maxFiles = 2;
} // namespace

CommandLine parseCommandLine(const QStringList& arguments, const QString& workingDir)
{
    QCommandLineParser parser;
    parser.addOption(helpOption);
    parser.addOption(versionOption);
    CommandLine result;
    // Qt's own English message names the option; ours says it in the
    // program's language.
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::Fail;
        const QStringList unknown = parser.unknownOptionNames();
        result.error =
            unknown.isEmpty()
                ? parser.errorText()
                : QStringLiteral("不明なオプション: %1%2")
                      .arg(unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--"),
                           unknown.first());
        return result;
    }
    if (parser.isSet(helpOption)) {
        result.action = CommandLine::Action::ShowHelp;
        return result;
    }
    if (parser.isSet(versionOption)) {
        result.action = CommandLine::Action::ShowVersion;
        return result;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > maxFiles) {
        result.action = CommandLine::Action::Fail;
        result.error = QStringLiteral("開けるのは 2 ファイルまでです（%1 個指定されました）")
                           .arg(files.size());
        return result;
    }
    const QDir base(workingDir);
    for (const QString& file : files)
        result.files << QDir::cleanPath(base.absoluteFilePath(file));
    return result;
}

QStringList commandLineArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    return arguments;
}

QString helpText()
{
    return QStringLiteral("使い方: pairvue [オプション] [画像1 [画像2]]\n"
                          "\n"
                          "RAO, LAO画像からレポート用合成画像を作成、保存します。\n"
                          "画像1 は 画像 1 (RAO) に、画像2 は 画像 2 (LAO) に読み込まれます。\n"
                          "読み込めないファイルは無視され、その枠は空のままです。\n"
                          "\n"
                          "オプション:\n"
                          "  -h, --help      この説明を表示して終了\n"
                          "  -v, --version   バージョンを表示して終了\n"
                          "  --              以降の引数はすべてファイル名\n");
}

QString versionText()
{
    return QStringLiteral("Pairvue " PAIRVUE_VERSION "\n");
}

QString usageHint()
{
    return QStringLiteral("使い方は pairvue --help で表示されます。\n");
}
