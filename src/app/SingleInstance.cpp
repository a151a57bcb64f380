// The single-instance lock.
#include "app/SingleInstance.h"

#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/types.h>

bool LockSemaphore(int semid)
{
    // "Value is 0" and "raise it by one" in one call: the kernel applies both or neither, so two
    // instances starting together cannot both see a free lock and both take it.
    sembuf ops[2]{};
    ops[0].sem_num = 0;
    ops[0].sem_op = 0;
    ops[0].sem_flg = IPC_NOWAIT;
    ops[1].sem_num = 0;
    ops[1].sem_op = 1;
    ops[1].sem_flg = SEM_UNDO;
    return semop(semid, ops, 2) == 0;
}

SingleInstance::SingleInstance(const std::string &path, char projectId)
{
    const key_t key = ftok(path.c_str(), projectId);
    if (key == -1) return;

    semid = semget(key, 1, 0);
    if (semid == -1) {
        semid = semget(key, 1, IPC_CREAT | IPC_EXCL | 0666);
        if (semid != -1) owner = LockSemaphore(semid);
        return;
    }
    // The set exists: it is free only when its value is 0, that is when nobody holds it.
    owner = LockSemaphore(semid);
}

SingleInstance::~SingleInstance()
{
    Release();
}

void SingleInstance::Release()
{
    if (owner && semid != -1) semctl(semid, 0, IPC_RMID);
    owner = false;
}
