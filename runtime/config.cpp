#include "runtime/config.h"

#include <chrono>
#include <thread>

#include "runtime/mediator.h"
#include "runtime/timer_agent.h"

CLumAOSM_Config::CLumAOSM_Config() {
    ThreadStartParams params = ThreadStartParams::Named("T_TimerAgent");
    CLumAOSM_TimerAgent* agent = CLumAOSM_TimerAgent::Instance();
    CLumAOSM_TimerAgent::SetProcess(agent);
    const bool agentStarted = agent->Start(&params);

    params = ThreadStartParams::Named("T_Mediator");
    CLumAOSM_Mediator* mediator = CLumAOSM_Mediator::Instance();
    CLumAOSM_Mediator::SetProcess(mediator);
    const bool mediatorStarted = mediator->Start(&params);
    running_ = agentStarted && mediatorStarted;
}

CLumAOSM_Config::~CLumAOSM_Config() {
    if (CLumAOSM_Mediator* mediator = CLumAOSM_Mediator::Process()) {
        mediator->Publish(CLumAOSM_Message(AO_All2All_KillAll_SIG));
        // Objects still subscribed take the kill signal (and unsubscribe) meanwhile.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        mediator->Stop();
        mediator->WaitUntilStopped();
        CLumAOSM_Mediator::SetProcess(nullptr);
        delete mediator;
    }
    if (CLumAOSM_TimerAgent* agent = CLumAOSM_TimerAgent::Process()) {
        agent->Stop();
        agent->WaitUntilStopped();
        CLumAOSM_TimerAgent::SetProcess(nullptr);
        delete agent;
    }
}
