#pragma once

class TaskDesk;

// The dictation recorder's commands on the link (WAVLOAD, WAVSEND, SENDWAV). The recorder has no
// menu item of its own: the report window's "Voice Report" opens it with openVoiceRecorder().
void installRecorderTasks(TaskDesk &desk);
