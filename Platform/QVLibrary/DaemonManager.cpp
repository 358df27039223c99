#include "DaemonManager.h"

DaemonManager& DaemonManager::defaultManager()
{
    static DaemonManager manager;
    return manager;
}

void DaemonManager::startForDaemon()
{
    started_ = true;
}
