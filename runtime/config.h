#pragma once

// Brings up the runtime's two services when constructed and takes them down when destroyed:
// the timer agent (with its tick thread) first, then the mediator. An application derives from
// it and creates and destroys its own active objects in the two operations.
class CLumAOSM_Config {
public:
    CLumAOSM_Config();
    CLumAOSM_Config(const CLumAOSM_Config&) = delete;
    CLumAOSM_Config& operator=(const CLumAOSM_Config&) = delete;

    virtual int CreateManagers() = 0;
    virtual int DestroyManagers() = 0;
    // Publishes AO_All2All_KillAll_SIG, gives its receivers 300 ms, then stops and deletes the
    // mediator and the timer agent. The deriving class has destroyed its active objects by then.
    virtual ~CLumAOSM_Config();

    // False when either service could not be started.
    bool IsRunning() const { return running_; }

private:
    bool running_ = false;
};
