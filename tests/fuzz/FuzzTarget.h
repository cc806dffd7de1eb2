#pragma once

// The frame of every fuzz target: tests/fuzz/fuzz_<name>.cpp includes this and
// defines fuzzOne(input), feeding one of the program's parsers. Beside it a
// seed corpus tests/fuzz/corpus/<name>/ and a dictionary <name>.dict; `make
// fuzz` runs it with libFuzzer, `make test` replays its corpus once.

#include <QByteArray>
#include <QGuiApplication>

void fuzzOne(const QByteArray& input);

// Stops the run as a finding: a rule the target checks does not hold.
#define FUZZ_CHECK(condition) ((condition) ? void() : std::abort())

// One application for the whole run, offscreen; argc and argv outlive it.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    QCoreApplication::setOrganizationName("Pairvue");
    QCoreApplication::setApplicationName("Pairvue");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzOne(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
