module HostSim
  # The desktop's message boxes and dialogs (the rest of HostSim::Desktop is native).
  module Desktop
    # Queues the answers to the next boxes and dialogs, in order: a button id, or for a
    # dialog { result: id, controls: { control_id => text } }, or for a dialog the plug-in
    # drives { clicks: [control_id, ...] } (the controls the user clicks, in order).
    def self.answer(*answers)
      answers.each do |answer|
        if answer.is_a?(Hash)
          answer = answer.transform_keys(&:to_sym)
          queue_answer(answer.fetch(:result, 0), answer[:controls], answer[:clicks])
        else
          queue_answer(answer)
        end
      end
      nil
    end
  end
end

module UI
  # Windows SketchUp captions its boxes "SketchUp"; the title is used by the multi-line box.
  def self.messagebox(message, type = MB_OK, title = '')
    caption = (type & MB_MULTILINE).zero? || title.to_s.empty? ? 'SketchUp' : title.to_s
    $stdout.flush # keep a default answer's printout in order with the script's own output
    HostSim::Desktop.message_box(message.to_s, caption, type & ~MB_MULTILINE)
  end
end
