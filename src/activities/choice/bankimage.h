#pragma once

#include <QString>
#include <QVariant>

#include <map>

struct SharedState;

// The shared banks an activity can fill.
enum class Store { ItemBank, TextBank, WordBank, KeyBankA, KeyBankB, StyleBank, AnswerKey };

QString storeName(Store store);
int storeSize(Store store);

// The value in a slot of a shared bank (bounds-checked like every bank access).
QVariant readSlot(const SharedState &state, Store store, int index);

// Exactly the slots a bank loader writes, by bank and index: built from a content file
// once it has passed every check, then written into the shared banks in one go. Nothing
// outside these slots is touched, so slots beyond an activity's bank keep what an
// earlier activity left there.
class BankImage
{
public:
    // Notes a value for a slot; false (and nothing noted) when the slot is outside the bank.
    bool set(Store store, int index, const QVariant &value);

    const std::map<Store, std::map<int, QVariant>> &filled() const { return m_slots; }
    int count(Store store) const;

    // Writes every noted slot into the shared banks (the string banks take the text).
    void writeInto(SharedState &state) const;

    // The slots as JSON, bank by bank, in index order, for reading by a person.
    QString toJson(const QString &activity) const;

    // How many records the bank holds: the draw picks from 0 to records - 1.
    int records = 0;

private:
    std::map<Store, std::map<int, QVariant>> m_slots;
};
