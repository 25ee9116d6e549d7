#pragma once
// The wizard's own settings in hitched.dat: whether the welcome page opens the wizard, and
// the connection-type switches the wizard turns on when the user picks a type. Read afresh
// on every use, so a change by another program counts at once.
#include "platform/profile_reader.h"
#include "platform/profile_writer.h"

namespace hitched {

// "wizard_show" in [Hitched]: shown when the key is missing or reads exactly "1".
bool IsWizardShown(IProfileReader& settings);
void WriteWizardShown(IProfileWriter& settings, bool showAgain);

// "Serial Cable" and "USB Cable" switched on.
void EnableCableTypes(IProfileWriter& settings);
// "Infrared" switched on.
void EnableInfraredType(IProfileWriter& settings);
// When none of the four Bluetooth stacks is enabled, all four are switched on; otherwise the
// user's choice stands. True when it wrote.
bool EnableBluetoothStacks(IProfileReader& reader, IProfileWriter& writer);

} // namespace hitched
