#include "engine/Switches.h"

#include "engine/DryRun.h"
#include "engine/JobStatus.h"
#include "engine/PathOperations.h"
#include "engine/Restore.h"
#include "engine/Schedule.h"
#include "engine/Usage.h"
#include "engine/Verify.h"

#include <array>
#include <cstdint>

namespace ze6::modDAZadaro {

namespace {

constexpr std::array kSwitches = {
    Switch{"/VERIFY", "Verify: ZE6Vivevu /VERIFY <Archive>.RZZ|<Folder>", 1, 1,
           "ERROR - /VERIFY needs one archive or folder!", VerifyCommand},
    Switch{"/RESTORE", "Restore: ZE6Vivevu /RESTORE <Archive>.RZZ <Folder>", 2, 2,
           "ERROR - /RESTORE needs an archive and a folder!", RestoreCommand},
    Switch{"/SCHEDULE",
           "Schedule: ZE6Vivevu /SCHEDULE <FileName>.RZB \"<when>\" (a systemd calendar expression, ie "
           "\"Mon..Fri 22:00\")",
           2, 2, "ERROR - /SCHEDULE needs a configuration file and a calendar expression!", ScheduleSwitch},
    Switch{"/UNSCHEDULE", "Unschedule: ZE6Vivevu /UNSCHEDULE <FileName>.RZB", 1, 1,
           "ERROR - /UNSCHEDULE needs a configuration file!", UnscheduleSwitch},
    Switch{"/SCHEDULES", "Schedules: ZE6Vivevu /SCHEDULES", 0, 0, "ERROR - /SCHEDULES takes no operands!",
           SchedulesSwitch},
    Switch{"/DRYRUN",
           "Dry run: ZE6Vivevu /DRYRUN \"SourcePath[Filespec]\" \"TargetPath\" [options]|<FileName>.RZB (lists what a "
           "run would archive, keep and delete; changes nothing)",
           1, SIZE_MAX, "ERROR - /DRYRUN needs a job line or a configuration file!", DryRunCommand},
    Switch{"/STATUS",
           "Status: ZE6Vivevu /STATUS [<FileName>.RZB] (each job's state, last run and last success; exit 0 when "
           "every job is ok)",
           0, 1, "ERROR - /STATUS takes at most one configuration file!", StatusSwitch},
    Switch{"/CHECK",
           "Check: ZE6Vivevu /CHECK (a desktop notification when a job of a scheduled file has failed or is overdue)",
           0, 0, "ERROR - /CHECK takes no operands!", CheckSwitch},
};

} // namespace

std::span<const Switch> Switches()
{
    return kSwitches;
}

std::optional<int> RunSwitch(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        return std::nullopt;
    const std::string name = UpperCase(arguments.front());
    for (const Switch& candidate : kSwitches) {
        if (name != candidate.name)
            continue;
        const std::vector<std::string> operands(arguments.begin() + 1, arguments.end());
        if (operands.size() < candidate.fewestOperands || operands.size() > candidate.mostOperands) {
            ShowUsage(candidate.operandError);
            return 2;
        }
        return candidate.run(operands);
    }
    return std::nullopt;
}

} // namespace ze6::modDAZadaro
