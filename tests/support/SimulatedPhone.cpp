#include "SimulatedPhone.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <csignal>

QString SimulatedPhone::binary(const QString& name)
{
    return QStringLiteral(VANTREL_BIN_DIR) + QLatin1Char('/') + name;
}

SimulatedPhone::SimulatedPhone(const QStringList& extraArguments) : arguments_(extraArguments)
{
    QDir().mkpath(root());
    QDir().mkpath(scratch());
}

SimulatedPhone::~SimulatedPhone()
{
    stop();
}

bool SimulatedPhone::start()
{
    QStringList arguments{QStringLiteral("--root"),     root(),
                          QStringLiteral("--log"),      folder_.path() + QStringLiteral("/commands.log"),
                          QStringLiteral("--timeline"), folder_.path() + QStringLiteral("/timeline.log")};
    arguments << arguments_;
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(binary(QStringLiteral("vantrel-phonesim")), arguments);
    if (!process_.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(5000);
    while (!process_.canReadLine() && !deadline.hasExpired())
        process_.waitForReadyRead(100);
    device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    return !device_.isEmpty();
}

bool SimulatedPhone::restart(const QStringList& extraArguments)
{
    stop();
    arguments_ = extraArguments;
    return start();
}

void SimulatedPhone::vanish()
{
    ::kill(pid_t(process_.processId()), SIGUSR1);
}

void SimulatedPhone::comeBack()
{
    ::kill(pid_t(process_.processId()), SIGUSR2);
}

void SimulatedPhone::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(3000))
        process_.kill();
    process_.waitForFinished(1000);
}

QStringList SimulatedPhone::commands() const
{
    QFile log(folder_.path() + QStringLiteral("/commands.log"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QList<QPair<QString, double>> SimulatedPhone::timeline() const
{
    QFile log(folder_.path() + QStringLiteral("/timeline.log"));
    QList<QPair<QString, double>> events;
    if (!log.open(QIODevice::ReadOnly))
        return events;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2)
            events.append({QString::fromLatin1(fields.at(1)), fields.at(0).toDouble()});
    }
    return events;
}

void SimulatedPhone::putFile(const QString& relativePath, const QByteArray& content) const
{
    const QString path = root() + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray SimulatedPhone::fileContent(const QString& relativePath) const
{
    QFile file(root() + QLatin1Char('/') + relativePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool SimulatedPhone::hasFile(const QString& relativePath) const
{
    return QFileInfo(root() + QLatin1Char('/') + relativePath).isFile();
}
