#include "config_sheet.h"

#include "appearance.h"
#include "form1.h"
#include "location_table.h"
#include "work_log.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QLineEdit>
#include <QLocale>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace {

using Column = LocationTableModel::Column;

// The table's columns on the sheet: all of the window's table.
constexpr Column sheetColumns[] = {Column::Location, Column::Item,  Column::Designation,
                                   Column::Window,   Column::Panel, Column::Note};

// The window's faces in points, which a page of any resolution keeps.
QFont face(const QFont& windowFont, double points, bool bold) {
    QFont font(windowFont.family());
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QTextCharFormat textFormat(const QFont& font) {
    QTextCharFormat format;
    format.setFont(font);
    return format;
}

// Letter where the system measures in inches as the US does, A4 elsewhere.
QPageSize pageSize() {
    return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                         ? QPageSize::Letter
                         : QPageSize::A4);
}

} // namespace

std::unique_ptr<QTextDocument> sheet::document(const Form1& form, const Facts& facts) {
    auto sheet = std::make_unique<QTextDocument>();
    const QFont body = face(appearance::sansSerif(false), 9, false);
    sheet->setDefaultFont(body);
    const QString panelName = form.Text(2)->text();
    sheet->setMetaInformation(QTextDocument::DocumentTitle,
                              QStringLiteral("CONFIGURATION SHEET %1").arg(panelName).trimmed());
    QTextCursor cursor(sheet.get());
    cursor.insertText(QStringLiteral("CONFIGURATION SHEET"),
                      textFormat(face(appearance::arial(9.75, true), 14, true)));

    // What the sheet is of, one fact a row; the model and port only where a panel answered.
    const QString shown[][2] = {
        {QStringLiteral("PANEL NAME"), panelName},
        {QStringLiteral("FILE"), facts.file},
        {QStringLiteral("TIME"), WorkLog::timeText(facts.time)},
        {QStringLiteral("MODEL"), facts.model},
        {QStringLiteral("PORT"), facts.port},
    };
    const QTextCharFormat label = textFormat(face(body, 9, true));
    const QTextCharFormat plain = textFormat(body);
    QTextBlockFormat spaced;
    spaced.setTopMargin(8);
    for (const auto& [name, value] : shown) {
        if (value.isEmpty() && name != QLatin1String("PANEL NAME") && name != QLatin1String("FILE"))
            continue;
        cursor.insertBlock(spaced);
        spaced.setTopMargin(0);
        cursor.insertText(name + QStringLiteral(": "), label);
        cursor.insertText(value.isEmpty() ? QStringLiteral("NONE") : value, plain);
    }

    // The table of all 25 locations, as the window's table shows it.
    cursor.insertBlock(QTextBlockFormat());
    const LocationTableModel& locations = form.locationTable();
    QTextTableFormat grid;
    grid.setCellPadding(3);
    grid.setCellSpacing(0);
    grid.setBorder(1);
    grid.setBorderBrush(Qt::darkGray);
    grid.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    grid.setBorderCollapse(true);
    grid.setHeaderRowCount(1);
    grid.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    grid.setTopMargin(10);
    const int columns = int(std::size(sheetColumns));
    QTextTable* table = cursor.insertTable(1 + LocationTableModel::locations, columns, grid);
    for (int c = 0; c < columns; ++c) {
        table->cellAt(0, c).firstCursorPosition().insertText(
            LocationTableModel::header(sheetColumns[c]), label);
        for (int location = 0; location < LocationTableModel::locations; ++location)
            table->cellAt(1 + location, c)
                .firstCursorPosition()
                .insertText(locations.text(location, sheetColumns[c]), plain);
    }
    return sheet;
}

bool sheet::writePdf(const Form1& form, const Facts& facts, const QString& path, QString& error) {
    const std::unique_ptr<QTextDocument> sheet = document(form, facts);
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(pageSize());
        writer.setTitle(sheet->metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QCoreApplication::applicationName());
        sheet->print(&writer);
    }
    // Written in one piece: a disk that takes only part of it leaves an earlier file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf.data()) != pdf.data().size() ||
        !file.flush() || !file.commit()) {
        error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

void QtSheetPreview::show(QTextDocument& sheet) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(pageSize());
    printer.setDocName(sheet.metaInformation(QTextDocument::DocumentTitle));
    printer.setCreator(QCoreApplication::applicationName());
    QPrintPreviewDialog preview(&printer, parent_);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&sheet](QPrinter* to) { sheet.print(to); });
    preview.exec();
}
