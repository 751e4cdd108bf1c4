#include "SharedTexts.h"

namespace SharedTexts {

QString confirmSave()
{
    return QStringLiteral("ยืนยันการบันทึกข้อมูล ");
}

QString nothingFound()
{
    return QStringLiteral("ไม่พบข้อมูลที่ต้องการ");
}

}
