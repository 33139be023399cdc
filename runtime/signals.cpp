#include "runtime/signals.h"

namespace {

const char* const kNames[] = {
    "AO_DEFAULT_SIG",
    "AO_ENTRY_SIG",
    "AO_EXIT_SIG",
    "AO_All2All_KillAll_SIG",
    "AO_All2All_SuspendAll_SIG",
    "AO_All2All_ResumeAll_SIG",
    "AO_TIMEOUT_SIG",
    "AO_GLOBALTIMER2MGR_TIMEOUT_SIG",
    "AO_TIMERAGENT_START_TIMER_SIG",
    "AO_TIMERAGENT_STOP_TIMER_SIG",
    "AO_TRUE_SIG",
    "AO_FALSE_SIG",
    "AO_SUBSCRIBER_SIG",
    "AO_UNSUBSCRIBER_SIG",
    "AO_UNSUBSCRIBER_ALLSIG_SIG",
    "AO_MGT_ANY2CONF_SET_ENTRY",
    "AO_MGT_ANY2CONF_GET_ENTRY",
    "AO_MGT_ANY2CONF_DELETE_SECTION",
    "AO_MGT_ANY2CONF_DELETE_ENTRY",
    "AO_MGT_ANY2CONF_GET_ALL_INFO",
    "AO_MGT_ANY2LOG_SET_ENTRY",
    "AO_MGT_ANY2LOG_GET_ENTRY",
    "AO_MGT_ANY2LOG_DELETE_SECTION",
    "AO_MGT_ANY2LOG_DELETE_ENTRY",
    "AO_MGT_ANY2LOG_GET_ALL_INFO",
    "AO_MGT_ANY2ANAL_SET_ENTRY",
    "AO_MGT_ANY2ANAL_GET_ENTRY",
    "AO_MGT_ANY2ANAL_DELETE_SECTION",
    "AO_MGT_ANY2ANAL_DELETE_ENTRY",
    "AO_MGT_ANY2ANAL_GET_ALL_INFO",
    "AO_GET_CURRENT_STATUS_SIG",
    "AO_REPORT_CURRENT_STATUS_SIG",
    "AO_USER_SIG",
};

static_assert(sizeof kNames / sizeof kNames[0] == AO_USER_SIG + 1);

}  // namespace

const char* SignalName(int32_t signal) {
    if (signal < 0 || signal > AO_USER_SIG)
        return "";
    return kNames[signal];
}
