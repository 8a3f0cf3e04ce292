#pragma once

#include <QString>

#include <array>
#include <stdexcept>
#include <string>

// A fixed-size shared bank with the bounds of its declaration (0 to Size - 1). Every access
// is checked: an index outside the bank is a fault of the caller and throws, so a test
// catches it and the view's event guard reports it, instead of reading other memory.
template<typename T, int Size>
class Bank
{
public:
    static constexpr int size() { return Size; }
    static constexpr int lastIndex() { return Size - 1; }

    T &operator[](int index) { return m_items[checked(index)]; }
    const T &operator[](int index) const { return m_items[checked(index)]; }

    static bool contains(int index) { return index >= 0 && index < Size; }
    void clear(int from, int to)
    {
        for (int i = from; i <= to; ++i)
            (*this)[i] = T();
    }

private:
    static std::size_t checked(int index)
    {
        if (!contains(index))
            throw std::out_of_range("bank index " + std::to_string(index) + " outside 0.."
                                    + std::to_string(Size - 1));
        return std::size_t(index);
    }
    std::array<T, Size> m_items{};
};
