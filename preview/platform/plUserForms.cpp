#include "plUserForms.h"
#include "plSaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QJsonObject readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // A damaged file reads as no forms rather than failing every printer.
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll());
    return doc.isObject() ? doc.object() : QJsonObject();
}

int indexOf(const QList<TPaperForm>& forms, const QString& name)
{
    for (int i = 0; i < forms.size(); ++i)
        if (forms[i].Name == name)
            return i;
    return -1;
}

} // namespace

TUserFormStore::TUserFormStore(QString path) : FPath(std::move(path))
{
    if (FPath.isEmpty())
        FPath = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/mirvak/paperforms.json");
}

QList<TPaperForm> TUserFormStore::Forms(const QString& printer) const
{
    QList<TPaperForm> forms;
    const QJsonArray list = readAll(FPath).value(printer).toArray();
    for (const QJsonValue& v : list) {
        const QJsonObject o = v.toObject();
        TPaperForm f;
        f.Name = o.value(QStringLiteral("name")).toString();
        f.Width = o.value(QStringLiteral("width")).toInt();
        f.Length = o.value(QStringLiteral("length")).toInt();
        if (!f.Name.isEmpty() && f.Width > 0 && f.Length > 0 && indexOf(forms, f.Name) < 0)
            forms.append(f);
    }
    return forms;
}

bool TUserFormStore::Add(const QString& printer, const TPaperForm& form)
{
    QList<TPaperForm> forms = Forms(printer);
    if (form.Name.isEmpty() || indexOf(forms, form.Name) >= 0)
        return false;
    forms.append(form);
    return Write(printer, forms);
}

bool TUserFormStore::Set(const QString& printer, const TPaperForm& form)
{
    QList<TPaperForm> forms = Forms(printer);
    const int i = indexOf(forms, form.Name);
    if (i < 0)
        return false;
    forms[i] = form;
    return Write(printer, forms);
}

bool TUserFormStore::Delete(const QString& printer, const QString& name)
{
    QList<TPaperForm> forms = Forms(printer);
    const int i = indexOf(forms, name);
    if (i < 0)
        return false;
    forms.removeAt(i);
    return Write(printer, forms);
}

bool TUserFormStore::Write(const QString& printer, const QList<TPaperForm>& forms)
{
    QJsonObject all = readAll(FPath);
    QJsonArray list;
    for (const TPaperForm& f : forms)
        list.append(QJsonObject{{QStringLiteral("name"), f.Name},
                                {QStringLiteral("width"), f.Width},
                                {QStringLiteral("length"), f.Length}});
    if (list.isEmpty())
        all.remove(printer);
    else
        all.insert(printer, list);
    QDir().mkpath(QFileInfo(FPath).absolutePath());
    QSaveFile f(FPath);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = QJsonDocument(all).toJson();
    if (f.write(data) != data.size()) {
        f.cancelWriting();
        return false;
    }
    return CommitComplete(f);
}
