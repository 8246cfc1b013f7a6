#pragma once
// A mutex that lends a waiting thread's priority to the thread holding it:
// the realtime render thread never waits on a main thread that the
// scheduler has put behind other work.
#include <pthread.h>

class priority_inheriting_mutex {
public:
    priority_inheriting_mutex();
    ~priority_inheriting_mutex();
    priority_inheriting_mutex(const priority_inheriting_mutex&) = delete;
    priority_inheriting_mutex& operator=(const priority_inheriting_mutex&) = delete;

    void lock();
    void unlock();

private:
    pthread_mutex_t mutex_;
};
