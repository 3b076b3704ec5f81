#pragma once

#include <QString>

#include <cstdint>

// The window's whole state: one record, owned by Form1 for its lifetime. Every handler
// and procedure of the window talks through these fields, under their panel-era names.
using Integer = std::int16_t;

struct ConfigRecord {
    // Assignment codes as the click rules last set them (or as a file loaded them).
    Integer s1 = 0, s2 = 0, s3 = 0, s4 = 0, s5 = 0, s6 = 0, s7 = 0, s8 = 0, s9 = 0, s10 = 0;
    Integer led1 = 0, led2 = 0, led3 = 0, led4 = 0, led5 = 0, led6 = 0, led7 = 0, led8 = 0,
            led9 = 0, led10 = 0;
    // Assignment codes composed from the list selections, for the panel or a file.
    Integer s1w = 0, s2w = 0, s3w = 0, s4w = 0, s5w = 0, s6w = 0, s7w = 0, s8w = 0, s9w = 0,
            s10w = 0;
    Integer led1w = 0, led2w = 0, led3w = 0, led4w = 0, led5w = 0, led6w = 0, led7w = 0, led8w = 0,
            led9w = 0, led10w = 0;
    // Module base (m) and channel offset (c) of each item.
    Integer s1m = 0, s1c = 0, s2m = 0, s2c = 0, s3m = 0, s3c = 0, s4m = 0, s4c = 0, s5m = 0,
            s5c = 0, s6m = 0, s6c = 0, s7m = 0, s7c = 0, s8m = 0, s8c = 0, s9m = 0, s9c = 0,
            s10m = 0, s10c = 0;
    Integer led1m = 0, led1c = 0, led2m = 0, led2c = 0, led3m = 0, led3c = 0, led4m = 0, led4c = 0,
            led5m = 0, led5c = 0, led6m = 0, led6c = 0, led7m = 0, led7c = 0, led8m = 0, led8c = 0,
            led9m = 0, led9c = 0, led10m = 0, led10c = 0;
    Integer bl = 0, blm = 0, blc = 0;
    Integer dimch = 0, dimchm = 0, dimchc = 0; // no rule writes dimchc
    // Intensity codes (10, 7, 6, .., 1).
    Integer blpercent = 0, indpercent = 0, dindpercent = 0;
    // Flags.
    Integer timer_flag = 0;
    Integer error_flag = 0;
    Integer config_flag = 0;
    // Panel command operands and the last value exchanged with a location.
    Integer address_l = 0;
    Integer data_l = 0;
    Integer m_index = 0;
    Integer c_index = 0;
    Integer A = 0;
    // Texts read from or written to a configuration file.
    QString rmodel, panel;
    QString s1desig, s2desig, s3desig, s4desig, s5desig, s6desig, s7desig, s8desig, s9desig,
        s10desig;
    QString led1desig, led2desig, led3desig, led4desig, led5desig, led6desig, led7desig, led8desig,
        led9desig, led10desig;
    QString blchan, dimchan;
    QString blpct, indpct, dindpct;
    QString wmodel;
};

// Turns the assignment code in A into module entry m_index and channel entry c_index.
// A code of 160 or more leaves c_index and A alone; 10..159 leaves A at the channel offset.
void split_assignment(ConfigRecord& r);
