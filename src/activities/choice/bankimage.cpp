#include "bankimage.h"

#include "sharedstate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

namespace {

// A JSON scalar, escaped as the JSON writer escapes it.
QString jsonScalar(const QVariant &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{QJsonValue::fromVariant(value)}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

template<typename Bank>
void writeTexts(Bank &bank, const std::map<int, QVariant> &values)
{
    for (const auto &[index, value] : values)
        bank[index] = value.toString();
}

} // namespace

QString storeName(Store store)
{
    switch (store) {
    case Store::ItemBank: return QStringLiteral("ItemBank");
    case Store::TextBank: return QStringLiteral("TextBank");
    case Store::WordBank: return QStringLiteral("WordBank");
    case Store::KeyBankA: return QStringLiteral("KeyBankA");
    case Store::KeyBankB: return QStringLiteral("KeyBankB");
    case Store::StyleBank: return QStringLiteral("StyleBank");
    case Store::AnswerKey: return QStringLiteral("AnswerKey");
    }
    return {};
}

int storeSize(Store store)
{
    switch (store) {
    case Store::ItemBank: return decltype(SharedState::ItemBank)::size();
    case Store::TextBank: return decltype(SharedState::TextBank)::size();
    case Store::WordBank: return decltype(SharedState::WordBank)::size();
    case Store::KeyBankA: return decltype(SharedState::KeyBankA)::size();
    case Store::KeyBankB: return decltype(SharedState::KeyBankB)::size();
    case Store::StyleBank: return decltype(SharedState::StyleBank)::size();
    case Store::AnswerKey: return decltype(SharedState::AnswerKey)::size();
    }
    return 0;
}

QVariant readSlot(const SharedState &state, Store store, int index)
{
    switch (store) {
    case Store::ItemBank: return state.ItemBank[index];
    case Store::TextBank: return state.TextBank[index];
    case Store::WordBank: return state.WordBank[index];
    case Store::KeyBankA: return state.KeyBankA[index];
    case Store::KeyBankB: return state.KeyBankB[index];
    case Store::StyleBank: return state.StyleBank[index];
    case Store::AnswerKey: return state.AnswerKey[index];
    }
    return {};
}

bool BankImage::set(Store store, int index, const QVariant &value)
{
    if (index < 0 || index >= storeSize(store))
        return false;
    m_slots[store][index] = value;
    return true;
}

int BankImage::count(Store store) const
{
    const auto it = m_slots.find(store);
    return it == m_slots.end() ? 0 : int(it->second.size());
}

void BankImage::writeInto(SharedState &state) const
{
    for (const auto &[store, values] : m_slots) {
        switch (store) {
        case Store::ItemBank: writeTexts(state.ItemBank, values); break;
        case Store::TextBank: writeTexts(state.TextBank, values); break;
        case Store::WordBank: writeTexts(state.WordBank, values); break;
        case Store::KeyBankA: writeTexts(state.KeyBankA, values); break;
        case Store::KeyBankB: writeTexts(state.KeyBankB, values); break;
        case Store::StyleBank: writeTexts(state.StyleBank, values); break;
        case Store::AnswerKey:
            for (const auto &[index, value] : values)
                state.AnswerKey[index] = value;
            break;
        }
    }
}

QString BankImage::toJson(const QString &activity) const
{
    QString out = QStringLiteral("{\n  \"activity\": ") + jsonScalar(activity);
    for (const auto &[store, values] : m_slots) {
        out += QStringLiteral(",\n  \"") + storeName(store) + QStringLiteral("\": {");
        bool first = true;
        for (const auto &[index, value] : values) {
            out += first ? QStringLiteral("\n    ") : QStringLiteral(",\n    ");
            out += QLatin1Char('"') + QString::number(index) + QStringLiteral("\": ") + jsonScalar(value);
            first = false;
        }
        out += QStringLiteral("\n  }");
    }
    return out + QStringLiteral("\n}\n");
}
