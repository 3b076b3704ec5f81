#include "work_log.h"

#include "form1.h"
#include "location_table.h"
#include "log_file.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include <cstdlib>

namespace {

using Kind = OperationProgress::Kind;

// clang-format off
// The operations the log records, as each row names them.
struct OperationName {
    Kind kind;
    const char* name;
};
constexpr OperationName operationNames[] = {
    {Kind::Read,    "READ"},
    {Kind::Write,   "WRITE"},
    {Kind::Compare, "COMPARE"},
};
// clang-format on

// The columns before the 25 locations, in the order of each row.
const char* const firstColumns[] = {"TIME", "OPERATION",    "PORT",       "PORT BY-ID",  "MODEL",
                                    "FILE", "FILE SHA-256", "PANEL NAME", "STATUS LINE", "BAR"};

const QByteArray byteOrderMark("\xEF\xBB\xBF");

// A cell as a spreadsheet takes it: quoted, quotes doubled, and text that it would run as a
// formula ("=HYPERLINK(...)" as a designation) kept text by a leading apostrophe.
QString cell(QString text) {
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStarts.contains(text.front()))
        text.prepend(QLatin1Char('\''));
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

QString WorkLog::timeText(const QDateTime& time) {
    const int offset = time.offsetFromUtc();
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
               .arg(std::abs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
}

QString WorkLog::defaultPath() {
    return logfile::usualPath();
}

QStringList WorkLog::header(const Form1& form) {
    QStringList cells;
    for (const char* name : firstColumns)
        cells << QString::fromLatin1(name);
    for (int location = 0; location < LocationTableModel::locations; ++location)
        cells << form.locationTable().text(location, LocationTableModel::Item);
    return cells;
}

QStringList WorkLog::row(const Form1& form, const PanelOperations::Done& done, const File& file) {
    QString operation;
    for (const OperationName& name : operationNames) {
        if (name.kind == done.kind)
            operation = QString::fromLatin1(name.name);
    }
    QStringList cells{timeText(QDateTime::currentDateTime()),
                      operation,
                      done.port,
                      done.stableName,
                      done.model ? QString::number(*done.model) : QString(),
                      file.path,
                      file.sha256,
                      form.Text(2)->text(),
                      done.status,
                      done.bar};
    const LocationTableModel& table = form.locationTable();
    for (int location = 0; location < LocationTableModel::locations; ++location) {
        QString value;
        if (location < done.locations) {
            // What the panel was found holding where it differs, else what the window shows.
            value = table.text(location, LocationTableModel::Panel);
            if (value.isEmpty())
                value = table.text(location, LocationTableModel::Window);
        }
        cells << value;
    }
    return cells;
}

QByteArray WorkLog::line(const QStringList& cells) {
    QStringList quoted;
    for (const QString& text : cells)
        quoted << cell(text);
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

QByteArray WorkLog::start() {
    return byteOrderMark + line({QString::fromLatin1(firstColumns[0])}).chopped(2) + ',';
}

bool WorkLog::append(const QStringList& cells, const QStringList& header, QString& error) const {
    if (path_.isEmpty())
        return true;
    // The usual place is made where it is missing, for its owner alone as the base directories
    // are; a folder named on the command line is not.
    const QString folder = QFileInfo(path_).path();
    if (path_ == defaultPath() && !QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray expected = start();
    return logfile::append(
        path_, expected.size(),
        [&](const QByteArray& found, QByteArray& bytes, QString& why) {
            if (found.isEmpty()) {
                bytes = byteOrderMark + line(header);
            } else if (found != expected) {
                // Never written into a file that is not a work log, a configuration file above
                // all.
                why = QStringLiteral("It is not a work log of this program.");
                return false;
            }
            bytes += line(cells);
            return true;
        },
        error);
}
