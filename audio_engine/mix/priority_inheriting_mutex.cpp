#include "priority_inheriting_mutex.h"

priority_inheriting_mutex::priority_inheriting_mutex()
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
    pthread_mutex_init(&mutex_, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

priority_inheriting_mutex::~priority_inheriting_mutex()
{
    pthread_mutex_destroy(&mutex_);
}

void priority_inheriting_mutex::lock()
{
    pthread_mutex_lock(&mutex_);
}

void priority_inheriting_mutex::unlock()
{
    pthread_mutex_unlock(&mutex_);
}
