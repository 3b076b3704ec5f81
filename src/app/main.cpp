#include "appearance.h"
#include "file_dialog.h"
#include "file_operations.h"
#include "form1.h"
#include "messages.h"

#include <QApplication>
#include <QPushButton>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("nvx10config");
    QApplication::setApplicationDisplayName("NVX 10 BUTTON CONFIGURATION");
    appearance::installFontSubstitutes();

    QtMessageBoxes messages;
    Form1 form(messages);
    messages.setParent(&form);

    QtFileDialog dialog(&form);
    FileOperations files(form, dialog);
    QObject::connect(form.READ_FILE, &QPushButton::clicked, &form,
                     [&files] { files.READ_FILE_Click(); });

    form.show();
    return app.exec();
}
