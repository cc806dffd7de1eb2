// The compose command's texts: a pair list, and the same bytes read as
// arguments (one a line) and as the values of --crop1 and --background.
#include "FuzzTarget.h"

#include "app/ComposeCommand.h"

#include <QDir>
#include <QSet>
#include <QString>

void fuzzOne(const QByteArray& input)
{
    const QString text = QString::fromUtf8(input);
    QList<PairLine> lines = parsePairList(text);
    assignOutputNames(lines, QStringLiteral("Pairvue_20260903_141530.png"),
                      [](const QString& name) { return name.size() % 3 == 0; });
    QSet<QString> names;
    for (const PairLine& line : lines) {
        if (!line.error.isEmpty())
            continue;
        // Every usable line has its own name, inside the output folder.
        FUZZ_CHECK(!line.name.isEmpty() && !names.contains(line.name));
        FUZZ_CHECK(!QDir::isAbsolutePath(line.name) &&
                   QDir::cleanPath("/out/" + line.name).startsWith(QStringLiteral("/out/")));
        names.insert(line.name);
    }
    (void)parseComposeArguments(text.split(u'\n'));
    if (const auto crop = parseCropSquare(text))
        FUZZ_CHECK(crop->side > 0);
    if (const auto colour = parseBackground(text))
        FUZZ_CHECK(colour->red >= 0 && colour->red <= 255 && colour->alpha >= 0 &&
                   colour->alpha <= 255);
}
