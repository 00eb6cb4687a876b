#pragma once

// Every event number of the factory bus (Q_DMMM::DMMM_Event), named once. The bus, the links, the
// pages, the command-line tool and the tests use these names; no event number is written anywhere
// else. Unless noted, an event's linkid is the link concerned and its var is QVariant(int 0).
enum DmmmEvent : int {
    // Route transfer (the unit's route messages; the program never starts a transfer itself).
    DMMM_GCSEvent_Mission_Upload_Succeed = 0,
    DMMM_GCSEvent_Mission_Upload_Failed = 1,
    DMMM_GCSEvent_Mission_Upload_Item = 2,
    DMMM_GCSEvent_Mission_Upload_Item_count = 3,
    // A text for the user (var: QString); links post their own command texts with the bus's ownId.
    DMMM_GCSEvent_new_textmsg = 4,
    DMMM_GCSEvent_Heartbeat_received = 5,
    DMMM_GCSEvent_Mission_download_Failed = 6,
    DMMM_GCSEvent_Mission_download_Succeed = 7,
    DMMM_GCSEvent_Mission_Download_start = 8,
    DMMM_GCSEvent_Mission_Download_request_list = 9,
    DMMM_GCSEvent_Mission_Download_request_item = 10,
    DMMM_GCSEvent_Mission_Download_get_item_count = 11,
    DMMM_GCSEvent_Mission_Download_get_item = 12,
    DMMM_GCSEvent_link_is_no_active = 13,
    DMMM_GCSEvent_mission_is_uploading = 14,
    DMMM_GCSEvent_mission_is_downloading = 15,
    DMMM_GCSEvent_Home_received = 16,
    // The first home message after the link was established (emitted before 16).
    DMMM_GCSEvent_Home_first_received = 17,
    // The first navigation state with a position.
    DMMM_GCSEvent_Position_valid = 18,
    DMMM_GCSEvent_Origin_received = 19,
    DMMM_GCSEvent_Status51_received = 20,
    // First valid frame after the link was down; no valid frame for more than 1500 ms.
    DMMM_GCSEvent_Protocol_Actived = 21,
    DMMM_GCSEvent_Protocol_Lost = 22,
    DMMM_GCSEvent_AccCali_state = 24,
    DMMM_GCSEvent_MagCali_progress = 25,
    // A compass message with an index at or above the compass count.
    DMMM_GCSEvent_Compass_count = 26,
    DMMM_GCSEvent_Motor_count = 27,
    DMMM_GCSEvent_Block7_received = 28,
    // Parameter-group messages: 80..83 give 29..32, 84..91 give 34..41, 50 gives 42 (all of them
    // "DMMM_GCSEvent_ParamGroup_received" on the debug stream).
    DMMM_GCSEvent_ParamGroup_received = 29,
    DMMM_GCSEvent_ParamGroup_80 = 29,
    DMMM_GCSEvent_ParamGroup_81 = 30,
    DMMM_GCSEvent_ParamGroup_82 = 31,
    DMMM_GCSEvent_ParamGroup_83 = 32,
    // A parameter value whose name contains AHRS_ORIENTATION.
    DMMM_GCSEvent_AhrsOrientation = 33,
    DMMM_GCSEvent_ParamGroup_84 = 34,
    DMMM_GCSEvent_ParamGroup_85 = 35,
    DMMM_GCSEvent_ParamGroup_86 = 36,
    DMMM_GCSEvent_ParamGroup_87 = 37,
    DMMM_GCSEvent_ParamGroup_88 = 38,
    DMMM_GCSEvent_ParamGroup_89 = 39,
    DMMM_GCSEvent_ParamGroup_90 = 40,
    DMMM_GCSEvent_ParamGroup_91 = 41,
    DMMM_GCSEvent_ParamGroup_50 = 42,
    // Every parameter value message (var: FlyLink::CommonParam_t).
    DMMM_GCSEvent_Param_value = 43,
    // The all-parameter fetch ended.
    DMMM_GCSEvent_Param_all_done = 44,
    DMMM_GCSEvent_GetBoardInfo = 45,
    // The remote system id changed (also set to 255 at link start).
    DMMM_GCSEvent_Remote_id_changed = 46,
    // A log list or log data request gave up.
    DMMM_GCSEvent_Log_timeout = 47,
    // A log list entry arrived (var: FlyLink::log_info_t).
    DMMM_GCSEvent_Log_entry = 48,
    DMMM_GCSEvent_Log_list_done = 49,
    // A log data block arrived (var: FlyLink::log_data_t).
    DMMM_GCSEvent_Log_data = 51,
    DMMM_GCSEvent_Log_file_done = 52,
    DMMM_GCSEvent_Device_error = 54,
    DMMM_GCSEvent_Device_opened = 55,
    DMMM_GCSEvent_Device_open_failed = 56,
    DMMM_GCSEvent_Device_closed = 57,
    // The bus's own ticks; linkid -1.
    DMMM_GCSEvent_Timer_1Hz = 60,
    DMMM_GCSEvent_Timer_10Hz = 61,
    DMMM_GCSEvent_Timer_100Hz = 62,
    // The vehicle type bits of the heartbeat changed.
    DMMM_GCSEvent_Vehicle_type = 63,
};

namespace DmmmEvents {
// The name of an event number ("DMMM_GCSEvent_..."), or nullptr for a number the bus does not use.
const char *name(int ev);
// The names the bus writes to the debug stream when it sees the event: route events 0-4, 6-16 and 19.
bool isLoggedByBus(int ev);
} // namespace DmmmEvents
