#include "benchtable.h"

#include <cstdio>
#include <utility>

BenchTable::BenchTable(QString title, QStringList headers) : title(std::move(title))
{
    rows.append(std::move(headers));
}

void BenchTable::addRow(QStringList cells)
{
    rows.append(std::move(cells));
}

QString BenchTable::number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

void BenchTable::print() const
{
    QList<int> widths;
    for (const QStringList& row : rows) {
        for (int column = 0; column < row.size(); ++column) {
            if (column >= widths.size())
                widths.append(0);
            widths[column] = qMax(widths[column], int(row[column].size()));
        }
    }
    QString text = title + QLatin1Char('\n');
    for (int line = 0; line < rows.size(); ++line) {
        const QStringList& row = rows[line];
        QStringList cells;
        for (int column = 0; column < row.size(); ++column) {
            // The first column names the row: left-aligned; figures are right-aligned.
            cells.append(column == 0 ? row[column].leftJustified(widths[column])
                                     : row[column].rightJustified(widths[column]));
        }
        text += QStringLiteral("  ") + cells.join(QStringLiteral("  ")) + QLatin1Char('\n');
        if (line == 0) {
            int ruleLength = 0;
            for (int width : widths)
                ruleLength += width + 2;
            text += QStringLiteral("  ") + QString(ruleLength - 2, QLatin1Char('-')) + QLatin1Char('\n');
        }
    }
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}
