#!/usr/bin/env bash
# check_exports.sh LIBRARY
# The product library exports its public API (the facade, the C handle
# interface) and nothing internal: no service, codec, log or simulator class,
# no Protocol Buffers code, no other name at all.
set -euo pipefail
lib=$1
symbols=$(nm -D --defined-only -C "$lib" | cut -d' ' -f3-)

# Internal classes and namespaces, matched as scopes (Name::), and anything of
# Protocol Buffers.
scopes='RobotControlServices|RobotCommunicationClient|ProtoEncodeDecode|Proto[A-Z][A-Za-z_]*'
scopes+='|RobotMoveService|RobotIoService|RobotConveyorTrack|robotOtherService|ForceControl'
scopes+='|PelvanServices|Ikfunc|RobotUtilService|ErrorInfoService|CommunicationMateType'
scopes+='|RobotEventQueue|commonUtil|RobotLogPrint|tevo_sim|metatype_defaults|codec_detail'
scopes+='|service_commands|rs_handle|kinematics|tevo'
internal="protobuf|(^|[^A-Za-z_])($scopes)::"
public='^(ServiceInterface::|rs_[a-z_0-9]+$|print_[a-z_0-9]+$)'

status=0
if leaked=$(grep -E "$internal" <<<"$symbols"); then
  echo "internal symbols exported:"; head -n 40 <<<"$leaked"; status=1
fi
if unexpected=$(grep -Ev "$public" <<<"$symbols"); then
  echo "symbols beyond the public API exported:"; head -n 40 <<<"$unexpected"; status=1
fi
for required in 'ServiceInterface::ServiceInterface()' 'ServiceInterface::getVersion[abi:cxx11]()' \
                'rs_create_context' 'rs_login' 'rs_destory_context'; do
  if ! grep -qxF "$required" <<<"$symbols"; then
    echo "not exported: $required"; status=1
  fi
done
echo "exported: $(wc -l <<<"$symbols") symbols," \
  "$(grep -c '^ServiceInterface::' <<<"$symbols") of ServiceInterface," \
  "$(grep -c '^rs_' <<<"$symbols") rs_ functions, $(grep -c '^print_' <<<"$symbols") print_ functions"
exit "$status"
