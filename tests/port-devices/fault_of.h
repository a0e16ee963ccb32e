// The fault a call of the library's logic stopped with, or none.
#pragma once

#include "fault.h"

namespace port::testing {

template <class Call>
Fault faultOf(Call&& call) {
    try {
        call();
    } catch (const FaultError& e) {
        return e.fault;
    }
    return Fault::none;
}

}  // namespace port::testing
