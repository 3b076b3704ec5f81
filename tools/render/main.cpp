// Renders Form1 to two PNG files, the switch view and the lighting view, so the window
// can be checked without a screen: QT_QPA_PLATFORM=offscreen render-window OUTDIR
#include "appearance.h"
#include "form1.h"
#include "messages.h"
#include "operation_progress.h"
#include "serial_ports.h"
#include "status_texts.h"
#include "widgets.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QRadioButton>
#include <QTextStream>

namespace {

// Accepts every message without showing it; a render has no one to click OK.
class SilentMessages : public MessageBoxes {
public:
    void message(const QString&, const QString&) override {}
};

bool save(Form1& form, const QString& path) {
    const bool ok = form.grab().save(path);
    QTextStream(stdout) << (ok ? "wrote " : "could not write ") << path << '\n';
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    appearance::installFontSubstitutes();
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(dir);

    SilentMessages messages;
    Form1 form(messages);
    // A sample configuration, so the lists show selections as after a file load.
    const bool sample = app.arguments().contains(QStringLiteral("--sample"));
    // The port selector as on a machine with a built-in port and one USB adapter (--sample),
    // or with no serial port at all; the progress bar after a whole read (--sample).
    PortSelector ports(*form.Combo1, [sample] {
        QList<SerialPortEntry> reported;
        if (sample) {
            SerialPortEntry usb;
            usb.portName = QStringLiteral("ttyUSB0");
            usb.systemLocation = QStringLiteral("/dev/ttyUSB0");
            usb.description = QStringLiteral("FT232R USB UART");
            usb.usb = true;
            reported << usb;
        }
        return reported;
    });
    ports.start(QString());
    if (sample) {
        OperationProgress progress(*form.ProgressBar1);
        progress.begin(OperationProgress::Kind::Read);
        progress.at(OperationProgress::Step::Finished);
    }
    if (sample) {
        for (int n = 1; n <= 43; n += 2) {
            form.select(form.List(n), (n / 2) % 17);
            form.select(form.List(n + 1), (n / 2) % 10);
        }
        form.Text(2)->setText("LOBBY");
        form.show_switch_view(); // as a file load ends
    }
    // --status TEXT shows the status line on red with that text, to check that it fits;
    // --sample shows it as a whole read ends.
    const int status = app.arguments().indexOf(QStringLiteral("--status"));
    if (status > 0 && status + 1 < app.arguments().size()) {
        form.setStatusVisible(true);
        form.setStatusColour(Form1::red);
        form.setStatusText(app.arguments().at(status + 1));
    } else if (sample) {
        form.setStatusVisible(true);
        form.setStatusColour(Form1::green);
        form.setStatusText(QString::fromLatin1(texts::readSuccessful));
    }
    form.show();
    app.processEvents();
    bool ok = save(form, dir + "/form1-switch-view.png");
    form.Option2->click();
    app.processEvents();
    ok = save(form, dir + "/form1-lighting-view.png") && ok;
    return ok ? 0 : 1;
}
