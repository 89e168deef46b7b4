#pragma once

// User paper forms, kept per printer in a small JSON file under the user's
// configuration folder ($XDG_CONFIG_HOME/mirvak/paperforms.json): the spooler
// keeps no named forms of its own.

#include "plPrinterService.h"

#include <QList>
#include <QString>

class TUserFormStore {
public:
    // An empty path means the default file under the configuration folder.
    explicit TUserFormStore(QString path = QString());

    QString Path() const { return FPath; }
    QList<TPaperForm> Forms(const QString& printer) const;
    // Add fails when the name exists, Set when it does not; both fail when
    // the file cannot be written.
    bool Add(const QString& printer, const TPaperForm& form);
    bool Set(const QString& printer, const TPaperForm& form);
    bool Delete(const QString& printer, const QString& name);

private:
    bool Write(const QString& printer, const QList<TPaperForm>& forms);
    QString FPath;
};
