#pragma once

#include <QtGlobal>

#include <cstring>

// Little-endian reads and writes of the FlyLink layouts: the one place that knows the byte order.
namespace FlyLe {
template <typename T> inline T get(const uchar *p)
{
    static_assert(sizeof(T) <= 8, "scalar only");
    typename std::conditional<
        sizeof(T) == 1, quint8,
        typename std::conditional<sizeof(T) == 2, quint16,
                                  typename std::conditional<sizeof(T) == 4, quint32, quint64>::type>::type>::type u = 0;
    for (int i = int(sizeof(T)) - 1; i >= 0; --i)
        u = decltype(u)((u << 8) | p[i]);
    T v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

template <typename T> inline void put(uchar *p, T v)
{
    typename std::conditional<
        sizeof(T) == 1, quint8,
        typename std::conditional<sizeof(T) == 2, quint16,
                                  typename std::conditional<sizeof(T) == 4, quint32, quint64>::type>::type>::type u;
    std::memcpy(&u, &v, sizeof v);
    for (size_t i = 0; i < sizeof(T); ++i) {
        p[i] = uchar(u & 0xFF);
        u = decltype(u)(sizeof(T) > 1 ? (u >> 8) : 0);
    }
}
} // namespace FlyLe
