#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// vantrel-phonesim on a pseudo-terminal, serving a fresh folder, for one test.
class SimulatedPhone
{
public:
    explicit SimulatedPhone(const QStringList& extraArguments = {});
    ~SimulatedPhone();

    // Starts the simulator; false (with a test failure message) when it did not come up.
    bool start();
    void stop();
    // The same phone's files served again by a simulator of other options, on a new terminal.
    bool restart(const QStringList& extraArguments);
    // As a cable unplugged: the terminal closes and the --link goes (SIGUSR1);
    // back on a new terminal behind the same link (SIGUSR2).
    void vanish();
    void comeBack();

    QString device() const { return device_; }
    QString root() const { return folder_.path() + QStringLiteral("/phone"); }
    QString scratch() const { return folder_.path() + QStringLiteral("/scratch"); }
    // The command lines the phone received, in order.
    QStringList commands() const;
    // When each command arrived and each answer was about to go out, in
    // milliseconds of the steady clock: ("command", 12.5), ("answer", 13.1), ...
    QList<QPair<QString, double>> timeline() const;

    // Places a file under the phone's root ("ml/im/a.jpg").
    void putFile(const QString& relativePath, const QByteArray& content) const;
    QByteArray fileContent(const QString& relativePath) const;
    bool hasFile(const QString& relativePath) const;

    static QString binary(const QString& name);

private:
    QStringList arguments_;
    QTemporaryDir folder_;
    QProcess process_;
    QString device_;
};
