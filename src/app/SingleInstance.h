// SingleInstance: one running copy per installed executable. A System V semaphore keyed by the
// executable's path is held with SEM_UNDO, so the kernel releases it however the holder ends.
#pragma once

#include <string>

class SingleInstance
{
  public:
    SingleInstance(const std::string &path, char projectId);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when this process holds the lock.
    bool IsOwner() const { return owner; }
    // Gives the lock up early (the destructor does the same).
    void Release();

  private:
    bool owner = false;
    int semid = -1;
};

// Takes semaphore 0 of the set when its value is 0, raising it by one with SEM_UNDO; true on success.
bool LockSemaphore(int semid);
