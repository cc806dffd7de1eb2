// Speed of `pairvue compose` on one pair of 1024-pixel PNG angiograms, the
// whole job (decode both, crop, compose, encode, write):
// - BM_ComposeJob: the command run in this process;
// - BM_ComposeProgram: the program started for the pair, as a script would;
// - BM_ImageMagick: ImageMagick's convert doing the same crop, Lanczos
//   resize and composite (skipped when ImageMagick is not installed;
//   `scripts/install-deps bench` installs it).
// BM_Series runs a list of such pairs through --pairs with 1 and 2 jobs:
// pairs_per_s, and peak_MB, the process's peak resident memory during the
// run, which stays the same for 20 pairs and for 200.
// BM_PngEncode encodes one composite through pngData and through Qt's PNG
// writer, with the file sizes.

#include "Memory.h"
#include "app/ComposeCommand.h"
#include "compose/Composition.h"
#include "compose/PngEncoding.h"
#include "support/AngioImage.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <benchmark/benchmark.h>

namespace {

struct Pair {
    QTemporaryDir dir;
    QString image1 = dir.filePath("rao.png");
    QString image2 = dir.filePath("lao.png");
    QString output = dir.filePath("out.png");

    Pair()
    {
        testsupport::angiogram(1024, 1).save(image1);
        testsupport::angiogram(1024, 2).save(image2);
    }

    // The window's initial layout, 700-pixel crops.
    QStringList arguments() const
    {
        return {image1,    image2,        "-o",      output,       "--force",
                "--crop1", "162,162,700", "--crop2", "100,200,700"};
    }
};

const Pair& pair()
{
    static const Pair p;
    return p;
}

void BM_ComposeJob(benchmark::State& state)
{
    const QStringList arguments = pair().arguments();
    for (auto _ : state) {
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        if (runComposeCommand(arguments, out, err, false) != 0) {
            state.SkipWithError(qPrintable(errText));
            return;
        }
    }
    state.counters["file_kB"] = double(QFile(pair().output).size()) / 1024.0;
}

bool runProgram(benchmark::State& state, const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        state.SkipWithError(qPrintable(program + " failed: " + process.readAllStandardError()));
        return false;
    }
    return true;
}

void BM_ComposeProgram(benchmark::State& state)
{
    const QStringList arguments = QStringList{"compose"} + pair().arguments();
    for (auto _ : state)
        if (!runProgram(state, PAIRVUE_BINARY, arguments))
            return;
}

// ImageMagick's convert: the packaged program itself where there is one,
// otherwise whatever answers to the name and says it is ImageMagick.
QString imageMagick()
{
    for (const QString& candidate :
         {QStringLiteral("/usr/bin/convert"), QStandardPaths::findExecutable("magick"),
          QStandardPaths::findExecutable("convert")}) {
        if (candidate.isEmpty())
            continue;
        QProcess process;
        process.start(candidate, {"-version"});
        if (process.waitForFinished(10000) &&
            process.readAllStandardOutput().contains("ImageMagick"))
            return candidate;
    }
    return {};
}

void BM_ImageMagick(benchmark::State& state)
{
    const QString convert = imageMagick();
    if (convert.isEmpty()) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    // The same job: the background canvas, each crop resized to 580 pixels
    // with Lanczos and placed centred at (300, 300) and (890, 300), written as
    // an 8-bit PNG like ours.
    const QString output = pair().dir.filePath("magick.png");
    const auto picture = [](const QString& file, const char* crop, const char* at) {
        return QStringList{"(",         file,      "-crop",     crop,      "+repage",
                           "-filter",   "Lanczos", "-resize",   "580x580", ")",
                           "-geometry", at,        "-composite"};
    };
    const QStringList arguments = QStringList{"-size", "1190x600", "xc:rgba(204,255,204,1.0)"} +
                                  picture(pair().image1, "700x700+162+162", "+10+10") +
                                  picture(pair().image2, "700x700+100+200", "+600+10") +
                                  QStringList{"-depth", "8", output};
    for (auto _ : state)
        if (!runProgram(state, convert, arguments))
            return;
    state.counters["file_kB"] = double(QFile(output).size()) / 1024.0;
}

void BM_Series(benchmark::State& state)
{
    const int pairs = int(state.range(0));
    const QString jobs = QString::number(state.range(1));
    QFile list(pair().dir.filePath(QStringLiteral("series-%1.tsv").arg(pairs)));
    list.open(QIODevice::WriteOnly);
    for (int i = 1; i <= pairs; ++i)
        list.write(
            QStringLiteral("rao.png\tlao.png\tstudy_%1\n").arg(i, 3, 10, QChar(u'0')).toUtf8());
    list.close();
    const bool reset = resetPeakMemory();
    for (auto _ : state) {
        QTemporaryDir out;
        QString outText, errText;
        QTextStream outStream(&outText), err(&errText);
        if (runComposeCommand({"--pairs", list.fileName(), "--out-dir", out.path(), "--jobs", jobs,
                               "--crop1", "162,162,700", "--crop2", "100,200,700"},
                              outStream, err, false) != 0) {
            state.SkipWithError(qPrintable(errText));
            return;
        }
    }
    state.counters["pairs_per_s"] =
        benchmark::Counter(double(pairs) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = peakMegabytes();
    if (!reset)
        state.SetLabel("peak is the lifetime peak");
}

// The composite's PNG: 0 through pngData (libpng, one filter), 1 through Qt's
// writer at the same zlib level (the encoder used before), for comparison.
void BM_PngEncode(benchmark::State& state)
{
    const bool qt = state.range(0) == 1;
    QImage image1 = testsupport::angiogram(1024, 1);
    QImage image2 = testsupport::angiogram(1024, 2);
    Compositor compositor;
    const std::optional<QImage> composite =
        compositor.compose({image1, QRect(162, 162, 700, 700)}, {image2, QRect(100, 200, 700, 700)},
                           {1190, 600, 580, 300, 890, 300}, BackgroundColor());
    qint64 size = 0;
    for (auto _ : state) {
        QByteArray bytes;
        if (qt) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "png");
            writer.setQuality(89); // zlib level 1
            writer.write(*composite);
        } else {
            bytes = pngData(*composite).value_or(QByteArray());
        }
        size = bytes.size();
    }
    state.counters["file_kB"] = double(size) / 1024.0;
    state.SetLabel(qt ? "Qt's PNG writer" : "pngData");
}

} // namespace

BENCHMARK(BM_ComposeJob)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComposeProgram)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImageMagick)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Series)
    ->ArgNames({"pairs", "jobs"})
    ->ArgsProduct({{20, 200}, {1, 2}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(BM_PngEncode)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
