// make-examples: writes the sample configuration files of examples/ with the program's own
// writer, so that they are byte for byte what the program saves for the same window.
//     make-examples OUTDIR
#include "qcf.h"

#include <QDir>
#include <QSaveFile>

#include <cstdio>
#include <initializer_list>

namespace {

constexpr qcf::Integer notAssigned = 160;

// An assignment code from a module letter and a channel number: "C", 2 is 21.
constexpr qcf::Integer code(char module, int channel) {
    return qcf::Integer((module - 'A') * 10 + channel - 1);
}

struct Button {
    const char* designation;
    qcf::Integer code;
};

// One panel: its buttons' switches, whose indicator LEDs show the same channels, the
// backlighting and dimming channels and the intensity codes (10, 7, 6, .., 1 for 100, 90,
// 80, .., 30 percent; the indicator never below the backlighting).
struct Sample {
    const char* file;
    const char* panel;
    Button buttons[10];
    qcf::Integer backlighting;
    qcf::Integer dimming;
    qcf::Integer indicator;
    qcf::Integer normal;
    qcf::Integer dimmed;
};

const Sample samples[] = {
    {"lobby.qcf",
     "MAIN LOBBY",
     {{"ENTRANCE", code('A', 1)},
      {"RECEPTION", code('A', 2)},
      {"FEATURE WALL", code('A', 3)},
      {"PENDANTS", code('A', 4)},
      {"STAIRCASE", code('A', 5)},
      {"PLANTERS", code('A', 6)},
      {"SIGNAGE", code('B', 1)},
      {"CANOPY", code('B', 2)},
      {"NIGHT LIGHTS", code('B', 3)},
      {"SPARE", notAssigned}},
     code('B', 9),
     notAssigned,
     10,
     7,
     3},
    {"theatre-front-of-house.qcf",
     "THEATRE FOH",
     {{"HOUSE LIGHTS", code('C', 1)},
      {"AISLES", code('C', 2)},
      {"STEPS", code('C', 3)},
      {"BALCONY", code('C', 4)},
      {"ORCHESTRA", code('C', 5)},
      {"WORKLIGHTS", code('D', 1)},
      {"USHERS", code('D', 2)},
      {"CLEANING", code('D', 3)},
      {"PRESET A", code('E', 1)},
      {"PRESET B", code('E', 2)}},
     code('E', 10),
     code('E', 9),
     6,
     2,
     1},
    {"conference-room.qcf",
     "CONF ROOM 2",
     {{"DOWNLIGHTS", code('F', 1)},
      {"WALL WASH", code('F', 2)},
      {"WHITEBOARD", code('F', 3)},
      {"PRESENTING", code('F', 4)},
      {"TABLE", code('F', 5)},
      {"LECTERN", code('F', 6)},
      {"SCREEN", code('G', 1)},
      {"ENTRANCE", code('G', 2)},
      {"SPARE", notAssigned},
      {"SPARE", notAssigned}},
     code('G', 10),
     notAssigned,
     5,
     4,
     2},
    {"corridor.qcf",
     "CORRIDOR B",
     {{"ZONE 1", code('H', 1)},
      {"ZONE 2", code('H', 2)},
      {"ZONE 3", code('H', 3)},
      {"ZONE 4", code('H', 4)},
      {"LIFT LOBBY", code('H', 5)},
      {"STAIR CORE", code('H', 6)},
      {"NIGHT MODE", code('P', 1)},
      {"CLEANERS", code('P', 2)},
      {"SPARE", notAssigned},
      {"SPARE", notAssigned}},
     code('P', 9),
     code('P', 10),
     7,
     5,
     1},
};

qcf::Record record(const Sample& sample) {
    qcf::Record r;
    r.model = QLatin1String(qcf::modelIdentity);
    r.panel = QLatin1String(sample.panel);
    for (int i = 0; i < 10; ++i) {
        const Button& b = sample.buttons[i];
        r.entries[i] = {QLatin1String(b.designation), b.code};      // switch
        r.entries[10 + i] = {QLatin1String(b.designation), b.code}; // its indicator LED
    }
    // The window's captions, which the program writes beside each code.
    r.entries[qcf::backlightingEntry] = {QStringLiteral("BACKLIGHT"), sample.backlighting};
    r.entries[qcf::dimmingEntry] = {QStringLiteral("DIMMING"), sample.dimming};
    r.entries[qcf::indicatorIntensityEntry] = {QStringLiteral("NORMAL INDICATOR (%)"),
                                               sample.indicator};
    r.entries[qcf::backlightingIntensityEntry] = {QStringLiteral("NORMAL BACKLIGHTING (%)"),
                                                  sample.normal};
    r.entries[qcf::dimmedIntensityEntry] = {QStringLiteral("DIMMED BACKLIGHTING AND INDICATOR (%)"),
                                            sample.dimmed};
    return r;
}

} // namespace

int main(int argc, char* argv[]) {
    const QDir out(QString::fromLocal8Bit(argc > 1 ? argv[1] : "."));
    for (const Sample& sample : samples) {
        const QString path = out.filePath(QLatin1String(sample.file));
        QSaveFile file(path);
        const QByteArray bytes = qcf::write(record(sample));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.commit()) {
            std::fprintf(stderr, "make-examples: %s: %s\n", qPrintable(path),
                         qPrintable(file.errorString()));
            return 1;
        }
        std::printf("wrote %s\n", qPrintable(path));
    }
    return 0;
}
