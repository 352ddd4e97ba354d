#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One run of a program to its end, as a user starts it from a shell.
struct ProgramRun
{
    int status = -1; // -1: it did not finish within the bound, or crashed
    QByteArray out;
    QString err;
};

// The environment of a user whose configuration, data and cache live below `home`,
// with no display needed.
QProcessEnvironment userEnvironment(const QString& home);

ProgramRun runProgram(const QString& program, const QStringList& arguments,
                      const QProcessEnvironment& environment, const QString& workingFolder = QString(),
                      int boundMs = 60000);
