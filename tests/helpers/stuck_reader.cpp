// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for the Access reader: never finishes, as the reader would in a
// file that sends it round in circles.
#include <chrono>
#include <thread>

int main()
{
    std::this_thread::sleep_for(std::chrono::minutes(5));
    return 0;
}
