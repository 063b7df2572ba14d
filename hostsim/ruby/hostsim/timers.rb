module HostSim
  # SketchUp runs timer blocks on its main thread when it is idle. Here time is virtual and
  # passes only in HostSim.pump: timers that fall due fire in due-time order (equal times in
  # the order they were started), each at its own moment of the virtual clock.
  module Timers
    NANOS_PER_SECOND = 1_000_000_000

    Timer = Struct.new(:id, :period, :repeat, :block, :due, :armed_in_pump)

    @now = 0 # nanoseconds, exact, so that 3 × 0.1 s falls due at 0.3 s
    @timers = {}
    @last_id = 0
    @pumps = 0

    class << self
      attr_reader :now

      def start(seconds, repeat, block)
        period = [(Float(seconds) * NANOS_PER_SECOND).round, 0].max
        timer = Timer.new(@last_id += 1, period, repeat ? true : false, block)
        arm(timer)
        @timers[timer.id] = timer
        timer.id
      end

      def stop(id) = @timers.delete(id)
      def ids = @timers.keys

      def pump(seconds)
        @pumps += 1
        target = @now + [(Float(seconds) * NANOS_PER_SECOND).round, 0].max
        while (timer = next_due(target))
          @now = timer.due
          timer.repeat ? arm(timer) : @timers.delete(timer.id)
          timer.block.call
        end
        @now = target
      end

      private

      # A zero delay means "when the host is next idle": the next pump, never the running
      # one, so a block that starts a zero-second timer cannot keep a pump going forever.
      def arm(timer)
        timer.due = @now + timer.period
        timer.armed_in_pump = timer.period.zero? ? @pumps : nil
      end

      def next_due(target)
        @timers.each_value
               .select { |t| t.due <= target && t.armed_in_pump != @pumps }
               .min_by { |t| [t.due, t.id] }
      end
    end
  end

  # Lets time pass and fires the timers that fall due meanwhile.
  def self.pump(seconds = 0)
    Timers.pump(seconds)
    nil
  end

  # The virtual time in seconds.
  def self.now = Timers.now.fdiv(Timers::NANOS_PER_SECOND)

  # The ids of the timers still running.
  def self.timer_ids = Timers.ids
end

module UI
  def self.start_timer(seconds, repeat = false, &block)
    raise ArgumentError, 'UI.start_timer needs a block' unless block

    HostSim::Timers.start(seconds, repeat, block)
  end

  def self.stop_timer(id)
    HostSim::Timers.stop(id)
    nil
  end
end
