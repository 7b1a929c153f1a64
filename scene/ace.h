// Command lists: small timed scripts, written as text, that move, scale, rotate
// or fade an owner over time without script code.
#pragma once
