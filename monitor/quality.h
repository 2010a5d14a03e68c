// The line's quality index: its rate and margin against the subscribed rate.
#pragma once

namespace verdalin {

// Downstream rate times SNR margin over (maximum rate times 20), times 100, in double and kept
// as a float. A maximum rate that is not a positive number (0, empty or not a number, or
// negative) leaves nothing to compare with: the index is then 0, as for a line out of sync,
// rather than an infinite or undefined value; so is an index beyond the float range.
float QualityIndex(float downstream_kbps, float snr_local, float maximum_kbps);

}  // namespace verdalin
