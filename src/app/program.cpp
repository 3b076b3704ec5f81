#include "program.h"

#include <QCommandLineParser>
#include <QPushButton>

Program::Program(const QString& portName, MessageBoxes& messages, FileDialog& dialog)
    : form(messages), port(portName), panel(form, port), files(form, dialog) {
    panel.connectButtons();
    QObject::connect(form.READ_FILE, &QPushButton::clicked, &form,
                     [this] { files.READ_FILE_Click(); });
}

static const char* const portOptionName = "port";

void addCommandLineOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "Reads, shows and writes the configuration of a KDR NVX 10 button dimmable switch "
        "panel on a serial port, and opens configuration files (.qcf).");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        portOptionName,
        QStringLiteral("Serial port of the panel (default: %1, the first serial port). USB "
                       "adapters are usually /dev/ttyUSB0; a simulated panel (panel-sim) "
                       "prints its /dev/pts/N path.")
            .arg(SerialCommPort::nameOfPort(1)),
        "NAME"));
}

QString portName(const QCommandLineParser& parser) {
    const QString name = parser.value(portOptionName);
    return name.isEmpty() ? SerialCommPort::nameOfPort(1) : name;
}
