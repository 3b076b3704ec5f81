#include "appearance.h"
#include "form1.h"
#include "messages.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("nvx10config");
    QApplication::setApplicationDisplayName("NVX 10 BUTTON CONFIGURATION");
    appearance::installFontSubstitutes();

    QtMessageBoxes messages;
    Form1 form(messages);
    messages.setParent(&form);
    form.show();
    return app.exec();
}
