#pragma once

#include "SelectorModel.h"
#include "phone/PhoneTypes.h"

#include <QList>
#include <QStringList>

// The files of the suites a new menu lists that the phone would lack once the
// queue is sent, as the user can look for them: each staged file (a suite's
// file waiting to be sent, `stagedFiles`) of a listed suite that neither the
// queue nor the phone's "/java" (`javaFileNames`, its latest listing) holds,
// and for a listed suite with no file in either, its files' pattern
// ("s2_suite.*"). Empty when the menu may go.
QStringList missingSuiteFiles(const SelectorModel& model, const QList<UploadItem>& queue,
                              const QStringList& stagedFiles, const QStringList& javaFileNames);
