// The receivers' port is the same on every system now: receiver_port.h
// beside the system-free logic. This name stays for the Linux IR receiver.
#pragma once

#include "../receiver_port.h"
