#include "factory/link/DmmmEvent.h"

namespace DmmmEvents {

const char *name(int ev)
{
    switch (ev) {
#define ZT_EVENT_NAME(e)                                                                                                \
    case e:                                                                                                            \
        return #e;
        ZT_EVENT_NAME(DMMM_GCSEvent_Mission_Upload_Succeed)
        ZT_EVENT_NAME(DMMM_GCSEvent_Mission_Upload_Failed)
        ZT_EVENT_NAME(DMMM_GCSEvent_Mission_Upload_Item)
        ZT_EVENT_NAME(DMMM_GCSEvent_Mission_Upload_Item_count)
        ZT_EVENT_NAME(DMMM_GCSEvent_new_textmsg)
        ZT_EVENT_NAME(DMMM_GCSEvent_Heartbeat_received)
        ZT_EVENT_NAME(DMMM_GCSEvent_Mission_download_Failed)
        ZT_EVENT_NAME(DMMM_GCSEvent_Mission_download_Succeed)
        ZT_EVENT_NAME(DMMM_GCSEvent_Mission_Download_start)
        ZT_EVENT_NAME(DMMM_GCSEvent_Mission_Download_request_list)
        ZT_EVENT_NAME(DMMM_GCSEvent_Mission_Download_request_item)
        ZT_EVENT_NAME(DMMM_GCSEvent_Mission_Download_get_item_count)
        ZT_EVENT_NAME(DMMM_GCSEvent_Mission_Download_get_item)
        ZT_EVENT_NAME(DMMM_GCSEvent_link_is_no_active)
        ZT_EVENT_NAME(DMMM_GCSEvent_mission_is_uploading)
        ZT_EVENT_NAME(DMMM_GCSEvent_mission_is_downloading)
        ZT_EVENT_NAME(DMMM_GCSEvent_Home_received)
        ZT_EVENT_NAME(DMMM_GCSEvent_Home_first_received)
        ZT_EVENT_NAME(DMMM_GCSEvent_Position_valid)
        ZT_EVENT_NAME(DMMM_GCSEvent_Origin_received)
        ZT_EVENT_NAME(DMMM_GCSEvent_Status51_received)
        ZT_EVENT_NAME(DMMM_GCSEvent_Protocol_Actived)
        ZT_EVENT_NAME(DMMM_GCSEvent_Protocol_Lost)
        ZT_EVENT_NAME(DMMM_GCSEvent_AccCali_state)
        ZT_EVENT_NAME(DMMM_GCSEvent_MagCali_progress)
        ZT_EVENT_NAME(DMMM_GCSEvent_Compass_count)
        ZT_EVENT_NAME(DMMM_GCSEvent_Motor_count)
        ZT_EVENT_NAME(DMMM_GCSEvent_Block7_received)
        ZT_EVENT_NAME(DMMM_GCSEvent_AhrsOrientation)
        ZT_EVENT_NAME(DMMM_GCSEvent_Param_value)
        ZT_EVENT_NAME(DMMM_GCSEvent_Param_all_done)
        ZT_EVENT_NAME(DMMM_GCSEvent_GetBoardInfo)
        ZT_EVENT_NAME(DMMM_GCSEvent_Remote_id_changed)
        ZT_EVENT_NAME(DMMM_GCSEvent_Log_timeout)
        ZT_EVENT_NAME(DMMM_GCSEvent_Log_entry)
        ZT_EVENT_NAME(DMMM_GCSEvent_Log_list_done)
        ZT_EVENT_NAME(DMMM_GCSEvent_Log_data)
        ZT_EVENT_NAME(DMMM_GCSEvent_Log_file_done)
        ZT_EVENT_NAME(DMMM_GCSEvent_Device_error)
        ZT_EVENT_NAME(DMMM_GCSEvent_Device_opened)
        ZT_EVENT_NAME(DMMM_GCSEvent_Device_open_failed)
        ZT_EVENT_NAME(DMMM_GCSEvent_Device_closed)
        ZT_EVENT_NAME(DMMM_GCSEvent_Timer_1Hz)
        ZT_EVENT_NAME(DMMM_GCSEvent_Timer_10Hz)
        ZT_EVENT_NAME(DMMM_GCSEvent_Timer_100Hz)
        ZT_EVENT_NAME(DMMM_GCSEvent_Vehicle_type)
#undef ZT_EVENT_NAME
    default:
        break;
    }
    if ((ev >= DMMM_GCSEvent_ParamGroup_80 && ev <= DMMM_GCSEvent_ParamGroup_83)
        || (ev >= DMMM_GCSEvent_ParamGroup_84 && ev <= DMMM_GCSEvent_ParamGroup_50))
        return "DMMM_GCSEvent_ParamGroup_received";
    return nullptr;
}

bool isLoggedByBus(int ev)
{
    return (ev >= DMMM_GCSEvent_Mission_Upload_Succeed && ev <= DMMM_GCSEvent_new_textmsg)
           || (ev >= DMMM_GCSEvent_Mission_download_Failed && ev <= DMMM_GCSEvent_Home_received)
           || ev == DMMM_GCSEvent_Origin_received;
}

} // namespace DmmmEvents
