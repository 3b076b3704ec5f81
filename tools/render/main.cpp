// Renders Form1 to three PNG files, the switch view, the lighting view and the table of all 25
// locations, so the window can be checked without a screen:
// QT_QPA_PLATFORM=offscreen render-window [FOLDER]
//
// --sample shows states a technician really meets, reached through the window's own buttons:
// the switch view right after the sample configuration corridor.qcf was opened, the lighting
// view after a simulated panel holding it was read, and the table after a comparison with that
// panel once two of its locations were changed. --practice shows both views after
// a read of the practice panel, on which the window starts as with nvx10config --practice.
// --status TEXT shows the status line on red with TEXT, to check that a text fits.
#include "appearance.h"
#include "file_dialog.h"
#include "messages.h"
#include "panel_sim.h"
#include "program.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTextStream>

namespace {

// Accepts every message without showing it; a render has no one to click OK.
class SilentMessages : public MessageBoxes {
public:
    void message(const QString&, const QString&, const QString&) override {}
};

// Answers every file dialog with one file.
class ChosenFile : public FileDialog {
public:
    explicit ChosenFile(const QString& path) : path_(path) {}
    Result ShowOpen() override { return choose(); }
    Result ShowSave() override { return choose(); }

private:
    Result choose() {
        FileName = path_;
        return Result::Chosen;
    }
    QString path_;
};

bool save(Form1& form, const QString& path) {
    const bool ok = form.grab().save(path);
    QTextStream(stdout) << (ok ? "wrote " : "could not write ") << path << '\n';
    return ok;
}

// The machine as a technician's: one USB adapter, the simulated panel.
QList<SerialPortEntry> oneAdapter(const QString& path) {
    SerialPortEntry usb;
    usb.portName = QStringLiteral("ttyUSB0");
    usb.systemLocation = path;
    usb.description = QStringLiteral("FT232R USB UART");
    usb.usb = true;
    return {usb};
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    appearance::installFontSubstitutes();
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Renders the window's three views to PNG files."));
    parser.addHelpOption();
    const QCommandLineOption sampleOption(
        QStringLiteral("sample"),
        QStringLiteral("Show corridor.qcf as opened, then as read from a simulated panel."));
    const QCommandLineOption statusOption(QStringLiteral("status"),
                                          QStringLiteral("Show TEXT on red in the status line."),
                                          QStringLiteral("TEXT"));
    const QCommandLineOption practiceOption(
        QStringLiteral("practice"), QStringLiteral("Show both views after a practice panel read."));
    parser.addOptions({sampleOption, statusOption, practiceOption});
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 QStringLiteral("Where the PNG files go (default: here)."));
    parser.process(app);
    if (parser.positionalArguments().size() > 1)
        parser.showHelp(1);
    const QString dir = parser.positionalArguments().value(0, QStringLiteral("."));
    QDir().mkpath(dir);
    const bool sample = parser.isSet(sampleOption);

    PanelSim sim;
    if (sample && !sim.start()) {
        QTextStream(stderr) << "no pseudo-terminal: " << sim.errorString() << '\n';
        return 1;
    }
    const QString file = QStringLiteral(NVX_EXAMPLES "/corridor.qcf");
    SilentMessages messages;
    ChosenFile dialog(file);
    const QString port = sample ? sim.devicePath() : QString();
    const bool practice = parser.isSet(practiceOption);
    const CommandLine practising = parseCommandLine({app.arguments().value(0), "--practice"});
    Program program(
        practice ? practising.ports : QStringList{port}, messages, dialog,
        [sample, port] { return sample ? oneAdapter(port) : QList<SerialPortEntry>(); });
    Form1& form = program.form;
    form.show();
    if (practice)
        form.READ_CONFIG->click();

    if (sample) {
        // The panel holds the file, as nvx10-panel-sim --config does it.
        QString refusal;
        if (!sim.loadConfiguration(file, refusal)) {
            QTextStream(stderr) << refusal << '\n';
            return 1;
        }
        form.READ_FILE->click();
    }
    if (parser.isSet(statusOption)) {
        form.setStatusVisible(true);
        form.setStatusColour(Form1::red);
        form.setStatusText(parser.value(statusOption));
    }
    app.processEvents();
    bool ok = save(form, dir + "/form1-switch-view.png");

    if (sample)
        form.READ_CONFIG->click();
    form.Option2->click();
    app.processEvents();
    ok = save(form, dir + "/form1-lighting-view.png") && ok;

    if (sample) {
        sim.setValue(1, 75); // SW2 on H, channel 6
        sim.setValue(24, 3); // dimmed intensity 50 %
        form.COMPARE_PANEL->click();
    }
    form.Option3->click();
    app.processEvents();
    ok = save(form, dir + "/form1-table-view.png") && ok;
    return ok ? 0 : 1;
}
