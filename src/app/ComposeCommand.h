#pragma once

#include "conditions/SavedCropPair.h"
#include "controls/ColorRules.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <variant>

class QTextStream;

// `pairvue compose`: the window's composition without a window, for one pair
// of images or a whole list of them. Everything goes through the code the
// window runs: the same decoding, crop rules, composition, PNG encoder and
// safe save, so the file is byte for byte the one the window would save.

// A square crop as typed: X,Y,SIDE in image pixels.
struct CropSquare {
    double x = 0;
    double y = 0;
    double side = 0;

    friend bool operator==(const CropSquare&, const CropSquare&) = default;
};

// What the command line asks for. The six layout parameters are kept as
// text, as the window keeps them, and start from a new window's values.
struct ComposeOptions {
    QString image1, image2, output; // one pair
    QString pairsList, outDir;      // a series
    std::optional<CropSquare> crop1, crop2;
    bool saved = false;
    QString canvasW, canvasH, imgSize, cx1, cx2, cy;
    // Absent: the stored colour with --saved (when it has one), otherwise a
    // new window's colour.
    std::optional<BackgroundColor> background;
    int frame1 = 0; // 1-based; 0: the frame the window shows first
    int frame2 = 0;
    bool force = false;
    int jobs = 0; // pairs composed at once; 0 = one per processor core
    bool help = false;
};

// The arguments after "compose", read and checked. The text is the message
// for a usage or parameter error (exit status 2, nothing written).
std::variant<ComposeOptions, QString> parseComposeArguments(const QStringList& arguments);

// "X,Y,SIDE": three finite numbers, SIDE above zero.
std::optional<CropSquare> parseCropSquare(const QString& text);
// "RRGGBB", "RRGGBBAA" (hexadecimal, an optional '#' in front) or "R,G,B,A"
// (whole numbers; each clamped into 0 to 255 as the colour fields do).
std::optional<BackgroundColor> parseBackground(const QString& text);

// One line of a pair list: IMAGE1<TAB>IMAGE2[<TAB>NAME]. `error` is set for a
// line that cannot be used; `name` is the output file name (".png" added
// when it has no extension), empty until assignOutputNames() gives the
// default.
struct PairLine {
    int line = 0; // 1-based
    QString image1, image2, name;
    QString error;
};

// The pairs of a list, in order; '#' comments and blank lines are skipped.
QList<PairLine> parsePairList(const QString& text);

// Gives every usable line without a name the next free dated name:
// `exportName` ("Pairvue_20260903_141530.png"), then its "_2", "_3", ...
// variants, skipping names other lines ask for and names `taken` reports.
// A line whose name another earlier line already has gets an error.
void assignOutputNames(QList<PairLine>& lines, const QString& exportName,
                       const std::function<bool(const QString& name)>& taken);

// Runs the command with the arguments after "compose". Messages go to `err`
// (a progress line only when `errIsTerminal`), the help text to `out`.
// Returns the exit status: 0 all written, 1 some pair failed, 2 usage or
// parameter error.
int runComposeCommand(const QStringList& arguments, QTextStream& out, QTextStream& err,
                      bool errIsTerminal);

// The process entry for `pairvue compose ...`: no window, no display.
int composeMain(int argc, char* argv[]);
