#pragma once

#include <QList>
#include <QStringList>

// A compact text table for a benchmark's figures: a title, a header line, and aligned columns.
class BenchTable
{
public:
    BenchTable(QString title, QStringList headers);

    void addRow(QStringList cells);
    void print() const;

    // "12.3" for microseconds, "1.23 ms" style formatting is left to the caller.
    static QString number(double value, int decimals = 1);
    static QString verdict(bool pass) { return pass ? QStringLiteral("PASS") : QStringLiteral("FAIL"); }

private:
    QString title;
    QList<QStringList> rows;
};
