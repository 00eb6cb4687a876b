#pragma once

#include <QtGlobal>

// The fetch of every parameter of a FlyLink unit by index, without I/O: the caller sends the index
// reads (message 35) it returns, feeds the index and count of every parameter value (message 36) while
// the fetch runs, and ticks it with the time while the link is up.
//
// Index 0 is asked first; the value of the index asked for advances the fetch to the next one, and the
// fetch is done when the next index reaches the count the unit reports (or the count, which every value
// sets, falls to or below it). A value of another index changes nothing but the count. The index asked
// for is asked again when RetryMs passed since the last request (the first tick after start() asks at
// once).
class FlyParamFetch
{
public:
    static constexpr quint32 RetryMs = 1000;

    struct FeedResult
    {
        bool request = false; // ask for index now
        qint16 index = 0;
        bool done = false; // every index arrived; the fetch ended
    };

    void start();
    void stop() { m_fetching = false; }
    // A parameter value of the unit (nothing happens when no fetch runs).
    FeedResult feed(qint16 index, qint16 count, quint32 nowMs);
    // True when index() is to be asked for (again) now.
    bool tick(quint32 nowMs);

    bool isFetching() const { return m_fetching; }
    // The index asked for, which is also the number of values received in order.
    int index() const { return m_next; }
    int count() const { return m_count; }

private:
    bool m_fetching = false;
    bool m_requested = false;
    int m_next = 0;
    int m_count = 0;
    quint32 m_lastRequestMs = 0;
};
