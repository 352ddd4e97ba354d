#pragma once

#include "CommandContext.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class LocalPane;
class PhonePane;
class TransferRunner;
class UploadCommands;
class WorkingFolder;
struct JavaEdits;

// The Java manager from the window: opened on the phone's "/java/" listing,
// and what the user queued in it sent as the client sends it (suite files
// first, the menu last, the old menu put back if the new one fails), with the
// window's progress and tally. Edits not sent wait for the next opening.
class JavaMenuCommand
{
public:
    JavaMenuCommand(const CommandContext& context, TransferRunner& runner, PhonePane& phone,
                    UploadCommands& uploads, const LocalPane& local, const WorkingFolder& working);
    ~JavaMenuCommand();

    void JavaCommand();

private:
    QString javaFolder() const;
    bool askToSendJava(bool& deleteRemovedFiles);
    std::optional<QByteArray> currentPhoneMenu();
    void sendJavaQueue(bool deleteRemovedFiles);

    CommandContext context_;
    TransferRunner& runner_;
    PhonePane& phone_;
    UploadCommands& uploads_;
    const LocalPane& local_;
    const WorkingFolder& working_;
    // What the Java manager handed over and was not sent yet (with the phone's
    // menu as it read it); it opens with these edits again.
    std::unique_ptr<JavaEdits> javaEdits_;
};
