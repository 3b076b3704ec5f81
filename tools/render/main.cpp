// Renders Form1 to two PNG files, the switch view and the lighting view, so the window
// can be checked without a screen: QT_QPA_PLATFORM=offscreen render-window OUTDIR
//
// --sample shows states a technician really meets, reached through the window's own buttons:
// the switch view right after a configuration file was opened, and the lighting view after
// that configuration was read back from a simulated panel. --status TEXT shows the status
// line on red with TEXT, to check that a text fits.
#include "appearance.h"
#include "file_dialog.h"
#include "messages.h"
#include "panel_sim.h"
#include "program.h"
#include "qcf.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
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

// A lobby panel: a few switches and LEDs tied, the rest not assigned, dimming in use.
qcf::Record lobby() {
    qcf::Record record;
    record.model = QString::fromLatin1(qcf::modelIdentity);
    record.panel = QStringLiteral("LOBBY");
    const char* const switches[] = {"DOWNLIGHTS", "WALL WASH", "RECEPTION", "ENTRANCE", "CORRIDOR",
                                    "ALL OFF",    "",          "",          "",         ""};
    for (int i = 0; i < 20; ++i) {
        const bool used = i % 10 < 6;
        record.entries[i].text = used ? QString::fromLatin1(switches[i % 10]) : QString();
        record.entries[i].value = qcf::Integer(used ? 10 * (i % 4) + i % 10 : 160);
    }
    const QString captions[] = {QStringLiteral("BACKLIGHT"), QStringLiteral("DIMMING"),
                                QStringLiteral("NORMAL INDICATOR (%)"),
                                QStringLiteral("NORMAL BACKLIGHTING (%)"),
                                QStringLiteral("DIMMED BACKLIGHTING AND INDICATOR (%)")};
    const qcf::Integer values[] = {21, 37, 7, 5, 3};
    for (int i = 0; i < 5; ++i)
        record.entries[qcf::backlightingEntry + i] = {captions[i], values[i]};
    return record;
}

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
    const QStringList args = app.arguments();
    const QString dir = argc > 1 ? args.at(1) : QStringLiteral(".");
    QDir().mkpath(dir);
    const bool sample = args.contains(QStringLiteral("--sample"));

    PanelSim sim;
    if (sample && !sim.start()) {
        QTextStream(stderr) << "no pseudo-terminal: " << sim.errorString() << '\n';
        return 1;
    }
    QTemporaryDir files;
    const QString file = files.filePath(QStringLiteral("lobby.qcf"));
    SilentMessages messages;
    ChosenFile dialog(file);
    const QString port = sample ? sim.devicePath() : QString();
    Program program({port}, messages, dialog, [sample, port] {
        return sample ? oneAdapter(port) : QList<SerialPortEntry>();
    });
    Form1& form = program.form;
    form.show();

    if (sample) {
        const qcf::Record record = lobby();
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(qcf::write(record)) < 0)
            return 1;
        out.close();
        // The panel holds the items in file order, then the backlighting intensity before
        // the indicator's, the other way round from the file.
        for (int address = 0; address < qcf::entryCount; ++address)
            sim.setValue(address, record.entries[address].value);
        sim.setValue(22, record.entries[qcf::backlightingIntensityEntry].value);
        sim.setValue(23, record.entries[qcf::indicatorIntensityEntry].value);
        form.READ_FILE->click();
    }
    const int status = args.indexOf(QStringLiteral("--status"));
    if (status > 0 && status + 1 < args.size()) {
        form.setStatusVisible(true);
        form.setStatusColour(Form1::red);
        form.setStatusText(args.at(status + 1));
    }
    app.processEvents();
    bool ok = save(form, dir + "/form1-switch-view.png");

    if (sample)
        form.READ_CONFIG->click();
    form.Option2->click();
    app.processEvents();
    ok = save(form, dir + "/form1-lighting-view.png") && ok;
    return ok ? 0 : 1;
}
