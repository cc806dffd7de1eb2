// Replays every file in the folders (or the files) named on the command line
// once through the target's entry, so that every committed corpus is a test
// (a folder without inputs fails).
#include <QDirIterator>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    for (int i = 1; i < argc; ++i) {
        const QString place = QString::fromLocal8Bit(argv[i]);
        QStringList files;
        for (QDirIterator it(place, QDir::Files); it.hasNext();)
            files << it.next();
        if (files.isEmpty())
            files << place;
        for (const QString& path : files) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                qFatal("cannot read %s", qPrintable(path));
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                   std::size_t(bytes.size()));
        }
    }
    return argc > 1 ? 0 : 1;
}
