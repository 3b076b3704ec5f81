// Start-up: the window, its message boxes and file dialog, the serial port, and the
// wiring of the three command buttons to the panel and file operations.
#include "appearance.h"
#include "file_dialog.h"
#include "file_operations.h"
#include "form1.h"
#include "messages.h"
#include "paneloperations.h"
#include "serialcommport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPushButton>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("nvx10config");
    QApplication::setApplicationDisplayName("NVX 10 BUTTON CONFIGURATION");
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Reads, shows and writes the configuration of a KDR NVX 10 button dimmable switch "
        "panel on a serial port, and opens configuration files (.qcf).");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(
        "port",
        QStringLiteral("Serial port of the panel (default: %1, the first serial port). USB "
                       "adapters are usually /dev/ttyUSB0; a simulated panel prints its "
                       "/dev/pts/N path.")
            .arg(SerialCommPort::nameOfPort(1)),
        "NAME", SerialCommPort::nameOfPort(1));
    parser.addOption(portOption);
    parser.process(app);

    appearance::installFontSubstitutes();

    QtMessageBoxes messages;
    Form1 form(messages);
    messages.setParent(&form);

    SerialCommPort port(parser.value(portOption));
    PanelOperations panel(form, port);
    panel.connectButtons();

    QtFileDialog dialog(&form);
    FileOperations files(form, dialog);
    QObject::connect(form.READ_FILE, &QPushButton::clicked, &form,
                     [&files] { files.READ_FILE_Click(); });

    form.show();
    return app.exec();
}
