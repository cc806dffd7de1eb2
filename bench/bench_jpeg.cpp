// JPEG decoding: the program's own decoder (libjpeg-turbo, stopping at the
// first warning) against Qt's JPEG reader, on the same 4096 x 4096 file.
#include "imaging/ImageFile.h"

#include "support/AngioImage.h"

#include <QBuffer>
#include <QImageReader>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

// A colour photograph-like JPEG: the angiogram tinted, at quality 90.
const QByteArray& photoJpeg(bool colour)
{
    static const auto make = [](bool tinted) {
        QImage image = testsupport::angiogram(4096).convertToFormat(QImage::Format_RGB32);
        if (tinted) {
            for (int y = 0; y < image.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    const int v = qGray(row[x]);
                    row[x] = qRgb(v, (v + x / 16) & 0xFF, (v + y / 16) & 0xFF);
                }
            }
        } else {
            image = image.convertToFormat(QImage::Format_Grayscale8);
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "jpeg", 90);
        return bytes;
    };
    static const QByteArray grey = make(false), tinted = make(true);
    return colour ? tinted : grey;
}

void BM_JpegOwnDecoder(benchmark::State& state)
{
    const QByteArray& bytes = photoJpeg(state.range(0));
    for (auto _ : state) {
        std::optional<QImage> image = decodeImageBytes(bytes);
        if (!image)
            state.SkipWithError("refused");
        benchmark::DoNotOptimize(image);
    }
}

void BM_JpegQtReader(benchmark::State& state)
{
    QByteArray bytes = photoJpeg(state.range(0));
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "jpeg");
        reader.setAutoTransform(true);
        QImage image = reader.read();
        benchmark::DoNotOptimize(image);
    }
}

} // namespace

// Argument: 0 grey, 1 colour. Best of five runs.
static void bestOfFive(benchmark::internal::Benchmark* b)
{
    b->Arg(0)
        ->Arg(1)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5)
        ->ComputeStatistics("min", [](const std::vector<double>& v) {
            return *std::min_element(v.begin(), v.end());
        });
}
BENCHMARK(BM_JpegOwnDecoder)->Apply(bestOfFive);
BENCHMARK(BM_JpegQtReader)->Apply(bestOfFive);
