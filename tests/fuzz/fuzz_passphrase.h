// The passphrase the targets try on every record, and with which the seeds are sealed, so that
// mutations of a seed reach the paths of a note that opens as well as those of one that does not.
#pragma once

constexpr char kFuzzPassphrase[] = "correct horse";
