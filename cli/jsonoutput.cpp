#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include "commands.h"

QJsonObject jsonFinding(const QString &kind, const QString &where, const QString &field, const QVariant &oldValue,
                        const QVariant &newValue, const QString &message)
{
    const auto value = [](const QString &s) { return s.isEmpty() ? QJsonValue() : QJsonValue(s); };
    return QJsonObject{{QStringLiteral("kind"), kind},
                       {QStringLiteral("where"), value(where)},
                       {QStringLiteral("field"), value(field)},
                       {QStringLiteral("old"), QJsonValue::fromVariant(oldValue)},
                       {QStringLiteral("new"), QJsonValue::fromVariant(newValue)},
                       {QStringLiteral("message"), message}};
}

int printJson(const QString &command, const QJsonArray &findings)
{
    QFile out;
    const QByteArray text = QJsonDocument(findings).toJson(QJsonDocument::Indented);
    if (!out.open(stdout, QIODevice::WriteOnly) || out.write(text) != text.size() || !out.flush()) {
        QTextStream(stderr) << "velunor-cli " << command << ": cannot write to standard output\n";
        return 2;
    }
    return 0;
}
