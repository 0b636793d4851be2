// The calculator's functions for the web page's JavaScript (as _kv_* on the WebAssembly module).
// One engine lives behind them. Returned text is zero-terminated UTF-8, valid until the next
// call of a function that returns text; bytes pass through one buffer (kv_buffer, kv_image).
#pragma once

#include <cstdint>

extern "C" {

void kv_reset();
int kv_load_module(int id);
const char* kv_module_name(int id);
void kv_press(int code);
const char* kv_copy(int allDigits);
const char* kv_paste(const char* clipboard);
int kv_run(int count);
int kv_mode();
int kv_error();
int kv_inv();
int kv_angle();
int kv_paused();
const char* kv_display(int showValue);
int kv_display_apart();
const char* kv_display_number();
const char* kv_state_json();
const char* kv_listing_json();
std::uint8_t* kv_buffer(int size);
std::uint8_t* kv_image();
int kv_buffer_size();
const char* kv_check(const char* name);
const char* kv_import(const char* name);
int kv_restore();
const char* kv_source();
const char* kv_take_tape();
}
