// Start-up: fonts, the command line, then the window with its message boxes, file dialog
// and serial port.
#include "appearance.h"
#include "file_dialog.h"
#include "messages.h"
#include "program.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("nvx10config");
    QApplication::setApplicationDisplayName("NVX 10 BUTTON CONFIGURATION");
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    QCommandLineParser parser;
    addCommandLineOptions(parser);
    parser.process(app);

    appearance::installFontSubstitutes();

    QtMessageBoxes messages;
    QtFileDialog dialog;
    Program program(portName(parser), messages, dialog);
    messages.setParent(&program.form);
    dialog.setParent(&program.form);

    program.form.show();
    return app.exec();
}
