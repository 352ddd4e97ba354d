#pragma once

#include "platform/ScratchFolder.h"

#include <QString>

#include <memory>

// The window's own working folder, from its first start-up to its end: files
// opened from the phone, drags to the desktop, the Java manager's suites. No
// other window and no later start-up empties it.
class WorkingFolder
{
public:
    // Where it is made; the user's cache folder unless set (tests).
    void setCacheFolder(const QString& folder) { cacheFolder_ = folder; }
    // Made once; a later call finds it as the window left it. Empty when it could not be made.
    QString prepare();
    void remove();
    // With its closing "/"; empty when there is none.
    QString path() const { return path_; }

private:
    std::unique_ptr<Folders::ScratchFolder> folder_;
    QString cacheFolder_;
    QString path_;
};
