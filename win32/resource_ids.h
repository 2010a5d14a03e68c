// Identifiers of the resources and dialog controls shared by the resource script and the code.
#pragma once

// The settings window's template, its buttons and the test's result line.
#define VERDALIN_SETTINGS_DIALOG 200
#define VERDALIN_SEND_TEST_BUTTON 1001
#define VERDALIN_TEST_RESULT 1002
// The controls made for field i of the form: its input and the message beside it.
#define VERDALIN_FIELD_INPUT_BASE 2000
#define VERDALIN_FIELD_MESSAGE_BASE 3000
