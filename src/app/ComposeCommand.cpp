#include "app/ComposeCommand.h"

#include "app/StatusTexts.h"

#include "compose/Composition.h"
#include "compose/ExportName.h"
#include "compose/Geometry.h"
#include "compose/Parameters.h"
#include "compose/PngEncoding.h"
#include "conditions/CropPairRules.h"
#include "conditions/CropPairStore.h"
#include "imaging/ImageFile.h"
#include "imaging/PictureSource.h"
#include "state/PNGDocument.h"
#include "state/WindowState.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <future>
#include <mutex>
#include <unistd.h>

namespace {

// Set by the first Ctrl+C or termination request; a second one ends the
// program at once.
std::atomic<bool> stopRequested = false;

extern "C" void requestStop(int)
{
    stopRequested.store(true);
}

// A list larger than this is not a list of pairs.
constexpr qint64 maxListBytes = qint64(64) << 20;

const char* const helpText = R"(使い方:
  pairvue compose IMAGE1 IMAGE2 -o OUT.png [オプション]
  pairvue compose --pairs LIST --out-dir DIR [オプション]

ウィンドウを開かずに 2 枚の画像（画像1 = RAO、画像2 = LAO）を合成し、PNG で保存します。
画面のない環境でも動きます。読み込み、切り出し、合成、PNG 書き出しはウィンドウと同じ処理で、
同じ条件ならウィンドウの保存と同じバイト列のファイルになります。

1 組:
  IMAGE1 IMAGE2          入力画像（PNG、JPEG、BMP、TIFF、GIF、DICOM）
  -o, --output OUT.png   書き出すファイル
                         例: pairvue compose rao.png lao.png -o study.png

一括（リスト）:
  --pairs LIST           1 行 1 組: 画像1<TAB>画像2[<TAB>名前]。# で始まる行と空行は読み飛ばし、
                         相対パスはリストのあるフォルダから。LIST が - なら標準入力から読みます。
                         名前を省くと Pairvue_日付_時刻.png（重なれば _2, _3 ...）。
                         名前に拡張子がなければ .png を付けます。
  --out-dir DIR          書き出し先のフォルダ（なければ作ります）
                         例: pairvue compose --pairs studies.tsv --out-dir out --saved
  --jobs N               同時に合成する組の数（既定: CPU コア数）
                         例: --jobs 2

切り出し（画像のピクセル単位。整数ピクセルに外側へ丸め、呼び出しと同じく画像の中に収めます）:
  --crop1 X,Y,SIDE       画像1 の正方形（左上 X,Y、一辺 SIDE）。省くと画像全体
                         例: --crop1 120,80,600
  --crop2 X,Y,SIDE       画像2 の正方形
                         例: --crop2 90.5,60,640
  --saved                保存したクリッピング条件（左右の切り出しと背景色）を使います。
                         切り出しは呼び出しと同じく各画像に収めます。--crop1、--crop2、
                         --background を一緒に指定すると、その部分は指定が優先です。
                         保存した条件がなければエラー（終了コード 2）です。
                         例: pairvue compose rao.png lao.png -o study.png --saved

配置（既定値はウィンドウの初期値）:
  --canvas WxH           キャンバスの幅と高さ（既定: 1190x600）
                         例: --canvas 1600x800
  --size N               それぞれの画像を収める正方形の一辺（既定: 580）
                         例: --size 760
  --centers X1,X2,Y      画像1 と画像2 の中心 x、共通の中心 y（既定: 300,890,300）
                         例: --centers 400,1200,400
  --background COLOR     背景色: RRGGBB、RRGGBBAA（16 進）または R,G,B,A（0–255、範囲外は
                         0 か 255 に）。A=0 で透明（既定: CCFFCCFF、黄緑）
                         例: --background FFFFFF  --background 0,0,0,0

DICOM:
  --frame1 N             画像1 が複数フレームの DICOM のとき使うフレーム（1 から数えます。
                         既定: ウィンドウが最初に出すフレーム、代表フレームか中央のフレーム）
                         例: --frame1 12
  --frame2 N             画像2 のフレーム
                         例: --frame2 7

その他:
  --force                既にあるファイルを置き換えます（なければエラー）
                         例: pairvue compose rao.png lao.png -o study.png --force
  -h, --help             この説明

終了コード: 0 すべて書き出した、1 失敗した組がある（合成、書き出し、読めない画像）、
2 使い方かパラメータの誤り（何も書き出しません）。メッセージは標準エラーに出します。
)";

QString fileNameOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

// Splits "a<sep>b<sep>c" into exactly `count` parts, or nothing.
std::optional<QStringList> splitExactly(const QString& text, const QRegularExpression& separator,
                                        int count)
{
    const QStringList parts = text.split(separator);
    if (parts.size() != count)
        return std::nullopt;
    return parts;
}

std::optional<int> parsePositive(const QString& text, int max)
{
    const std::optional<qint64> v = parseParameter(text);
    if (!v || *v < 1 || *v > max)
        return std::nullopt;
    return int(*v);
}

QString describeParameters(const ComposeOptions& o)
{
    return QStringLiteral("--canvas %1x%2 --size %3 --centers %4,%5,%6")
        .arg(o.canvasW, o.canvasH, o.imgSize, o.cx1, o.cx2, o.cy);
}

// Everything a pair needs, resolved once for the whole run.
struct Settings {
    std::optional<SavedCrop> crop1, crop2; // applied as recalling applies them
    CompositionParams params;
    BackgroundColor background;
    int frame1 = 0;
    int frame2 = 0;
    bool force = false;
};

struct PairTask {
    int line = 0;
    QString image1, image2, output;
};

// The picture of one input, opened as the window opens it: an image file, or
// one frame of a DICOM run (1-based; 0 for the frame the window shows first).
std::variant<QImage, QString> openPicture(const QString& path, int frame)
{
    const std::shared_ptr<PictureSource> source = openPictureSource(path);
    if (!source)
        return QStringLiteral("画像を読み込めません: %1").arg(fileNameOf(path));
    const int index = frame > 0 ? frame - 1 : source->initialFrame();
    if (index >= source->frameCount())
        return QStringLiteral("フレーム %1 がありません（%2 フレーム）: ")
                   .arg(frame)
                   .arg(source->frameCount()) +
               fileNameOf(path);
    std::optional<QImage> image = source->frame(index);
    if (!image)
        return QStringLiteral("フレーム %1 を読み込めません: %2")
            .arg(QString::number(index + 1), fileNameOf(path));
    return *image;
}

// One pair from the files to the saved PNG, as the window does it: crops
// applied as recalling applies them, refresh()'s composition, the save
// button's encoder and the save dialog's safe write. Nothing on success,
// otherwise the reason.
std::optional<QString> composePair(const PairTask& task, const Settings& s)
{
    const auto existing = [&] {
        const QFileInfo info(task.output);
        return info.exists() || info.isSymLink();
    };
    if (!s.force && existing())
        return status::saveFailed(QStringLiteral("「%1」は既にあります（置き換えるには --force）")
                                      .arg(fileNameOf(task.output)));

    // The two files are decoded side by side.
    std::future<std::variant<QImage, QString>> second =
        std::async(std::launch::async, openPicture, task.image2, s.frame2);
    std::variant<QImage, QString> opened1 = openPicture(task.image1, s.frame1);
    std::variant<QImage, QString> opened2 = second.get();
    if (auto* error = std::get_if<QString>(&opened1))
        return *error;
    if (auto* error = std::get_if<QString>(&opened2))
        return *error;
    const QImage& image1 = std::get<QImage>(opened1);
    const QImage& image2 = std::get<QImage>(opened2);

    std::optional<QRectF> crop1, crop2;
    if (s.crop1 && !(crop1 = clampedCrop(*s.crop1, image1)))
        return QStringLiteral("切り出しを画像1に収められません: %1").arg(fileNameOf(task.image1));
    if (s.crop2 && !(crop2 = clampedCrop(*s.crop2, image2)))
        return QStringLiteral("切り出しを画像2に収められません: %1").arg(fileNameOf(task.image2));

    Compositor compositor;
    const std::optional<QImage> composite =
        compositor.compose({image1, cropRegion(image1.size(), crop1)},
                           {image2, cropRegion(image2.size(), crop2)}, s.params, s.background);
    if (!composite)
        return status::compositionFailed;
    const std::optional<QByteArray> png = pngData(*composite);
    if (!png)
        return status::pngFailed;
    // Checked again: another program may have made the file meanwhile.
    if (!s.force && existing())
        return status::saveFailed(QStringLiteral("「%1」は既にあります（置き換えるには --force）")
                                      .arg(fileNameOf(task.output)));
    if (const std::optional<QString> error = PNGDocument{*png}.writeToFile(task.output))
        return status::saveFailed(*error);
    return std::nullopt;
}

// The progress line, the failures and the summary of a series. Pairs finish
// on several threads; one at a time reports.
class SeriesReport {
public:
    SeriesReport(QTextStream& err, bool terminal, int total)
        : m_err(err), m_terminal(terminal), m_total(total)
    {
    }

    void finished(int line, const QString& name, const std::optional<QString>& error)
    {
        const std::lock_guard lock(m_mutex);
        ++m_done;
        if (m_terminal)
            m_err << "\r\x1b[K";
        if (error) {
            m_failedLines.append(line);
            m_err << QStringLiteral("%1 行目: ").arg(line) << *error << '\n';
        }
        if (m_terminal)
            m_err << QStringLiteral("%1/%2  %3 %4")
                         .arg(m_done)
                         .arg(m_total)
                         .arg(error ? QStringLiteral("✗") : QStringLiteral("✓"), name);
        m_err.flush();
    }

    // Returns the exit status.
    int summarize(bool interrupted)
    {
        const std::lock_guard lock(m_mutex);
        if (m_terminal)
            m_err << "\r\x1b[K";
        if (interrupted)
            m_err << QStringLiteral("中断しました（%1 組は手つかず）\n").arg(m_total - m_done);
        m_err << QStringLiteral("%1 組中 %2 組を書き出しました")
                     .arg(m_total)
                     .arg(m_done - m_failedLines.size());
        if (!m_failedLines.isEmpty()) {
            std::sort(m_failedLines.begin(), m_failedLines.end());
            QStringList lines;
            for (int line : m_failedLines)
                lines.append(QString::number(line));
            m_err << QStringLiteral("、%1 組が失敗しました（%2 行目）")
                         .arg(m_failedLines.size())
                         .arg(lines.join(QStringLiteral(", ")));
        }
        m_err << '\n';
        m_err.flush();
        return m_failedLines.isEmpty() && !interrupted ? 0 : 1;
    }

private:
    std::mutex m_mutex;
    QTextStream& m_err;
    bool m_terminal;
    int m_total;
    int m_done = 0;
    QList<int> m_failedLines;
};

std::optional<QString> readList(const QString& path)
{
    if (path != QStringLiteral("-")) {
        // Regular files only, judged by what was opened: a pipe or a device
        // could block or never end.
        const std::optional<QByteArray> bytes = readRegularFile(path, maxListBytes);
        return bytes ? std::optional(QString::fromUtf8(*bytes)) : std::nullopt;
    }
    QFile file;
    if (!file.open(stdin, QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(maxListBytes + 1);
    if (bytes.size() > maxListBytes || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return QString::fromUtf8(bytes);
}

int runSeries(const ComposeOptions& o, const Settings& settings, QTextStream& err, bool terminal)
{
    const std::optional<QString> text = readList(o.pairsList);
    if (!text) {
        err << QStringLiteral("リストを読めません: ") << fileNameOf(o.pairsList) << '\n';
        return 2;
    }
    const QDir outDir(o.outDir);
    if (!QDir().mkpath(o.outDir) || !QFileInfo(o.outDir).isDir()) {
        err << QStringLiteral("出力フォルダを作れません: ") << o.outDir << '\n';
        return 2;
    }
    const QDir listFolder =
        o.pairsList == QStringLiteral("-") ? QDir::current() : QFileInfo(o.pairsList).absoluteDir();

    QList<PairLine> lines = parsePairList(*text);
    assignOutputNames(lines, exportFileName(QDateTime::currentDateTime()),
                      [&](const QString& name) {
                          const QFileInfo info(outDir.filePath(name));
                          return info.exists() || info.isSymLink();
                      });

    SeriesReport report(err, terminal, int(lines.size()));
    QList<PairTask> tasks;
    for (const PairLine& line : lines) {
        if (!line.error.isEmpty())
            report.finished(line.line,
                            line.name.isEmpty() ? QStringLiteral("%1 行目").arg(line.line)
                                                : line.name,
                            line.error);
        else
            tasks.append({line.line, listFolder.filePath(line.image1),
                          listFolder.filePath(line.image2), outDir.filePath(line.name)});
    }
    // Each pool thread takes one pair from decoding to the written file, so
    // no more pairs are in memory at once than there are threads.
    QThreadPool pool;
    pool.setMaxThreadCount(o.jobs > 0 ? o.jobs : QThread::idealThreadCount());
    for (const PairTask& task : tasks)
        pool.start([&settings, &report, &outDir, task] {
            // After an interruption the pairs under way finish; no new one starts.
            if (stopRequested.load())
                return;
            report.finished(task.line, outDir.relativeFilePath(task.output),
                            composePair(task, settings));
        });
    pool.waitForDone();
    return report.summarize(stopRequested.load());
}

} // namespace

std::optional<CropSquare> parseCropSquare(const QString& text)
{
    static const QRegularExpression comma(QStringLiteral(","));
    const std::optional<QStringList> parts = splitExactly(text, comma, 3);
    if (!parts)
        return std::nullopt;
    double v[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        v[i] = QLocale::c().toDouble(parts->at(i).trimmed(), &ok);
        if (!ok || !std::isfinite(v[i]))
            return std::nullopt;
    }
    if (!(v[2] > 0))
        return std::nullopt;
    return CropSquare{v[0], v[1], v[2]};
}

std::optional<BackgroundColor> parseBackground(const QString& text)
{
    static const QRegularExpression hex(QStringLiteral("^#?([0-9A-Fa-f]{6}|[0-9A-Fa-f]{8})$"));
    if (const QRegularExpressionMatch m = hex.match(text); m.hasMatch()) {
        const QString digits = m.captured(1);
        const auto byte = [&](int i) { return qint64(digits.mid(2 * i, 2).toInt(nullptr, 16)); };
        return BackgroundColor{byte(0), byte(1), byte(2), digits.size() == 8 ? byte(3) : 255};
    }
    static const QRegularExpression comma(QStringLiteral(","));
    const std::optional<QStringList> parts = splitExactly(text, comma, 4);
    if (!parts)
        return std::nullopt;
    qint64 v[4];
    for (int i = 0; i < 4; ++i) {
        const std::optional<qint64> component = parseComponent(parts->at(i), QLocale::c());
        if (!component)
            return std::nullopt;
        // The colour fields' clamp.
        v[i] = clampCorrection(*component).value_or(*component);
    }
    return BackgroundColor{v[0], v[1], v[2], v[3]};
}

QList<PairLine> parsePairList(const QString& text)
{
    QList<PairLine> pairs;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        PairLine pair;
        pair.line = int(i + 1);
        const QStringList fields = line.split(u'\t');
        if (fields.size() < 2 || fields.size() > 3 || fields[0].isEmpty() || fields[1].isEmpty()) {
            pair.error = QStringLiteral("行の形式が違います（画像1<TAB>画像2[<TAB>名前]）");
            pairs.append(pair);
            continue;
        }
        pair.image1 = fields[0];
        pair.image2 = fields[1];
        if (fields.size() == 3 && !fields[2].isEmpty()) {
            QString name = QDir::cleanPath(fields[2]);
            if (QDir::isAbsolutePath(name) || name == QStringLiteral(".") ||
                name.startsWith(QStringLiteral("../")) || name == QStringLiteral("..") ||
                fields[2].endsWith(u'/')) {
                pair.error = QStringLiteral("名前はフォルダの中のファイル名にしてください: %1")
                                 .arg(fields[2]);
            } else {
                // As the save dialog does for a name typed without an extension.
                if (QFileInfo(name).suffix().isEmpty())
                    name += QStringLiteral(".png");
                pair.name = name;
            }
        }
        pairs.append(pair);
    }
    return pairs;
}

void assignOutputNames(QList<PairLine>& lines, const QString& exportName,
                       const std::function<bool(const QString& name)>& taken)
{
    QHash<QString, int> wanted; // name -> first line asking for it
    for (PairLine& line : lines) {
        if (!line.error.isEmpty() || line.name.isEmpty())
            continue;
        if (const auto first = wanted.constFind(line.name); first != wanted.cend())
            line.error = QStringLiteral("名前 %1 は %2 行目と重なっています")
                             .arg(line.name)
                             .arg(first.value());
        else
            wanted.insert(line.name, line.line);
    }
    const QString stem = exportName.chopped(QStringLiteral(".png").size());
    int next = 1;
    for (PairLine& line : lines) {
        if (!line.error.isEmpty() || !line.name.isEmpty())
            continue;
        QString name;
        do {
            name = next == 1 ? exportName : QStringLiteral("%1_%2.png").arg(stem).arg(next);
            ++next;
        } while (wanted.contains(name) || (taken && taken(name)));
        line.name = name;
    }
}

std::variant<ComposeOptions, QString> parseComposeArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    const auto valued = [](QStringList names, const QString& valueName) {
        return QCommandLineOption(names, QString(), valueName);
    };
    parser.addOptions({
        valued({QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("OUT")),
        valued({QStringLiteral("pairs")}, QStringLiteral("LIST")),
        valued({QStringLiteral("out-dir")}, QStringLiteral("DIR")),
        valued({QStringLiteral("crop1")}, QStringLiteral("X,Y,SIDE")),
        valued({QStringLiteral("crop2")}, QStringLiteral("X,Y,SIDE")),
        QCommandLineOption(QStringLiteral("saved")),
        valued({QStringLiteral("canvas")}, QStringLiteral("WxH")),
        valued({QStringLiteral("size")}, QStringLiteral("N")),
        valued({QStringLiteral("centers")}, QStringLiteral("X1,X2,Y")),
        valued({QStringLiteral("background")}, QStringLiteral("COLOR")),
        valued({QStringLiteral("frame1")}, QStringLiteral("N")),
        valued({QStringLiteral("frame2")}, QStringLiteral("N")),
        valued({QStringLiteral("jobs")}, QStringLiteral("N")),
        QCommandLineOption(QStringLiteral("force")),
        QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
    });
    // The parser skips the first argument as the program's name.
    if (!parser.parse(QStringList{QStringLiteral("compose")} + arguments)) {
        if (!parser.unknownOptionNames().isEmpty())
            return QStringLiteral("知らないオプションです: %1")
                .arg(parser.unknownOptionNames().join(QStringLiteral(", ")));
        return QStringLiteral("オプションの値がありません: %1").arg(parser.errorText());
    }

    ComposeOptions o;
    if (parser.isSet(QStringLiteral("help"))) {
        o.help = true;
        return o;
    }

    const QStringList positional = parser.positionalArguments();
    o.output = parser.value(QStringLiteral("output"));
    o.pairsList = parser.value(QStringLiteral("pairs"));
    o.outDir = parser.value(QStringLiteral("out-dir"));
    if (parser.isSet(QStringLiteral("pairs")) || parser.isSet(QStringLiteral("out-dir"))) {
        if (o.pairsList.isEmpty() || o.outDir.isEmpty())
            return QStringLiteral("--pairs と --out-dir は一緒に指定してください");
        if (!positional.isEmpty() || parser.isSet(QStringLiteral("output")))
            return QStringLiteral("--pairs には画像と -o を並べられません");
    } else {
        if (positional.size() != 2)
            return QStringLiteral("画像を 2 つ指定してください（画像1 画像2）");
        if (o.output.isEmpty())
            return QStringLiteral("書き出すファイルを -o で指定してください");
        o.image1 = positional[0];
        o.image2 = positional[1];
    }

    for (auto [name, crop] : {std::pair{QStringLiteral("crop1"), &o.crop1},
                              std::pair{QStringLiteral("crop2"), &o.crop2}}) {
        if (!parser.isSet(name))
            continue;
        *crop = parseCropSquare(parser.value(name));
        if (!*crop)
            return QStringLiteral(
                       "--%1 は X,Y,SIDE（SIDE は 0 より大きい数）で指定してください: %2")
                .arg(name, parser.value(name));
    }
    o.saved = parser.isSet(QStringLiteral("saved"));
    o.force = parser.isSet(QStringLiteral("force"));

    // A new window's values, the texts the window starts with.
    const WindowState fresh;
    o.canvasW = fresh.canvasW();
    o.canvasH = fresh.canvasH();
    o.imgSize = fresh.imgSize();
    o.cx1 = fresh.cx1();
    o.cx2 = fresh.cx2();
    o.cy = fresh.cy();
    // A malformed list leaves texts that the window's rule then refuses.
    static const QRegularExpression times(QStringLiteral("[xX]"));
    static const QRegularExpression comma(QStringLiteral(","));
    if (parser.isSet(QStringLiteral("canvas"))) {
        const QString value = parser.value(QStringLiteral("canvas"));
        const QStringList wh = splitExactly(value, times, 2).value_or(QStringList{value, {}});
        o.canvasW = wh[0];
        o.canvasH = wh[1];
    }
    if (parser.isSet(QStringLiteral("size")))
        o.imgSize = parser.value(QStringLiteral("size"));
    if (parser.isSet(QStringLiteral("centers"))) {
        const QString value = parser.value(QStringLiteral("centers"));
        const QStringList c = splitExactly(value, comma, 3).value_or(QStringList{value, {}, {}});
        o.cx1 = c[0];
        o.cx2 = c[1];
        o.cy = c[2];
    }
    const std::optional<CompositionParams> params =
        parseCompositionParams(o.canvasW, o.canvasH, o.imgSize, o.cx1, o.cx2, o.cy);
    if (!params)
        return status::invalidParameter + u'\n' + describeParameters(o);
    if (!canvasSizeAllowed(params->canvasW, params->canvasH))
        return status::compositionFailed + u'\n' +
               QStringLiteral("キャンバスが大きすぎます（一辺 %1、全体で %2 ピクセルまで）: %3x%4")
                   .arg(maxCanvasSide)
                   .arg(maxCanvasPixels)
                   .arg(o.canvasW, o.canvasH);

    if (parser.isSet(QStringLiteral("background"))) {
        o.background = parseBackground(parser.value(QStringLiteral("background")));
        if (!o.background)
            return QStringLiteral(
                       "--background は RRGGBB、RRGGBBAA か R,G,B,A で指定してください: ") +
                   parser.value(QStringLiteral("background"));
    }
    for (auto [name, frame] : {std::pair{QStringLiteral("frame1"), &o.frame1},
                               std::pair{QStringLiteral("frame2"), &o.frame2}}) {
        if (!parser.isSet(name))
            continue;
        const std::optional<int> v = parsePositive(parser.value(name), 1 << 20);
        if (!v)
            return QStringLiteral("--%1 は 1 から数えたフレーム番号で指定してください: %2")
                .arg(name, parser.value(name));
        *frame = *v;
    }
    if (parser.isSet(QStringLiteral("jobs"))) {
        const std::optional<int> v = parsePositive(parser.value(QStringLiteral("jobs")), 1024);
        if (!v)
            return QStringLiteral("--jobs は 1 以上の整数で指定してください: %1")
                .arg(parser.value(QStringLiteral("jobs")));
        o.jobs = *v;
    }
    return o;
}

int runComposeCommand(const QStringList& arguments, QTextStream& out, QTextStream& err,
                      bool errIsTerminal)
{
    std::variant<ComposeOptions, QString> parsed = parseComposeArguments(arguments);
    if (const QString* error = std::get_if<QString>(&parsed)) {
        err << *error << '\n' << QStringLiteral("詳しくは pairvue compose --help") << '\n';
        err.flush();
        return 2;
    }
    const ComposeOptions& o = std::get<ComposeOptions>(parsed);
    if (o.help) {
        out << QString::fromUtf8(helpText);
        out.flush();
        return 0;
    }

    Settings settings;
    settings.params = *parseCompositionParams(o.canvasW, o.canvasH, o.imgSize, o.cx1, o.cx2, o.cy);
    const WindowState fresh;
    settings.background = fresh.background();
    if (o.saved) {
        const std::optional<SavedCropPair> record = CropPairStore().readSavedCropPair();
        if (!record) {
            err << QStringLiteral("保存されたクリッピング条件がありません") << '\n';
            err.flush();
            return 2;
        }
        settings.crop1 = record->left;
        settings.crop2 = record->right;
        if (const auto& b = record->background)
            settings.background = *b;
    }
    // A typed square is snapped outwards to whole pixels, then fitted into
    // each image as a recalled one is.
    const auto snapped = [](const CropSquare& c) {
        const QRectF r = integralRect(QRectF(c.x, c.y, c.side, c.side));
        return SavedCrop{r.x(), r.y(), r.width(), r.height()};
    };
    if (o.crop1)
        settings.crop1 = snapped(*o.crop1);
    if (o.crop2)
        settings.crop2 = snapped(*o.crop2);
    if (o.background)
        settings.background = *o.background;
    settings.frame1 = o.frame1;
    settings.frame2 = o.frame2;
    settings.force = o.force;

    if (!o.pairsList.isEmpty())
        return runSeries(o, settings, err, errIsTerminal);

    const std::optional<QString> error = composePair({0, o.image1, o.image2, o.output}, settings);
    err << (error ? *error : status::saved(fileNameOf(o.output))) << '\n';
    err.flush();
    return error ? 1 : 0;
}

int composeMain(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // The window's names, so that --saved reads the window's settings store.
    QCoreApplication::setOrganizationName(QStringLiteral("Pairvue"));
    QCoreApplication::setApplicationName(QStringLiteral("Pairvue"));
    // An interrupted series ends with whole files only: the pairs under way
    // are finished (a file half written is only ever a temporary one).
    struct sigaction stop = {};
    stop.sa_handler = requestStop;
    stop.sa_flags = SA_RESETHAND;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runComposeCommand(QCoreApplication::arguments().mid(2), out, err,
                             isatty(STDERR_FILENO) == 1);
}
