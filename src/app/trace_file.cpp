#include "trace_file.h"

#include "qcf.h"
#include "serial_trace.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLoggingCategory>

namespace {

QFile* traceFile = nullptr;
QtMessageHandler previousHandler = nullptr;
QLoggingCategory::CategoryFilter previousFilter = nullptr;
QString warning;

bool isTrace(const char* category) {
    return category && qstrcmp(category, serialTraceName) == 0;
}

void enableTrace(QLoggingCategory* category) {
    if (previousFilter)
        previousFilter(category);
    if (isTrace(category->categoryName()))
        category->setEnabled(QtDebugMsg, true);
}

void writeTrace(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (traceFile && isTrace(context.category)) {
        traceFile->write(message.toUtf8() + '\n');
        traceFile->flush();
        return;
    }
    if (type != QtDebugMsg && type != QtInfoMsg)
        warning = message;
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

bool TraceFile::open(const QString& path, QString& error) {
    // A pipe without a reader would hold the start for ever; a device or a folder is no trace.
    QString reason;
    if (!qcf::openPlainFile(file_, path,
                            QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text, reason)) {
        error = QStringLiteral("cannot write the trace file %1: %2").arg(path, reason);
        return false;
    }
    file_.write(QStringLiteral("%1 %2 serial trace, started %3\n")
                    .arg(QCoreApplication::applicationName(),
                         QCoreApplication::applicationVersion(),
                         QDateTime::currentDateTime().toString(Qt::ISODate))
                    .toUtf8());
    file_.flush();
    traceFile = &file_;
    previousHandler = qInstallMessageHandler(writeTrace);
    previousFilter = QLoggingCategory::installFilter(enableTrace);
    return true;
}

QString TraceFile::lastWarning() {
    return warning;
}

TraceFile::~TraceFile() {
    if (traceFile != &file_)
        return;
    QLoggingCategory::installFilter(previousFilter);
    qInstallMessageHandler(previousHandler);
    traceFile = nullptr;
}
