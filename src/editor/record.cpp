#include "record.h"

void split_assignment(ConfigRecord& r) {
    r.m_index = 1;
    if (r.A >= 160) {
        r.m_index = 0;
        return;
    }
    if (r.A < 10) {
        r.c_index = r.A;
        return;
    }
    do {
        r.A = static_cast<Integer>(r.A - 10);
        ++r.m_index;
        r.c_index = r.A;
    } while (r.A >= 10);
}
